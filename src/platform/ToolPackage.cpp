#include "platform/ToolPackage.h"

#include "platform/Log.h"
#include "platform/Md5.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <mutex>
#include <unordered_map>

namespace pd {

namespace {

struct Family {
    const char* name;
    std::initializer_list<const char*> extensions;
};

// Tested top to bottom; the first match wins (so flv is always media).
const std::array<Family, 13> kFamilies = {{
    {"text", {"txt"}},
    {"pdf", {"pdf", "dps", "pdfx"}},
    {"word", {"doc", "docx", "wps", "rtf", "et"}},
    {"music", {"mid", "midi", "wav", "wma", "amr", "ogg", "m4a"}},
    {"media",
     {"avi", "mp4", "mov", "flv", "3gp", "m4v", "wmv", "rm", "rmvb", "mkv", "ts", "webm", "f4v"}},
    {"picture", {"bmp", "jpg", "jpeg", "png", "gif", "ico"}},
    {"ppt", {"ppt", "pptx"}},
    {"flash", {"swf", "flv"}},
    {"excel", {"xls", "xlsx"}},
    {"zip", {"zip", "rar", "7z"}},
    {"chm", {"chm"}},
    {"torrent", {"torrent"}},
    {"html", {"html"}},
}};

std::string_view lastComponent(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string rawExtension(std::string_view nameOrPath) {
    const std::string_view name = lastComponent(nameOrPath);
    const auto dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

// Adds the size of the folder's entries; `buf` holds the folder path in its first `len` bytes.
std::uint64_t folderSize(char* buf, std::size_t len) {
    DIR* dir = opendir(buf);
    if (dir == nullptr) {
        return 0;
    }
    std::uint64_t total = 0;
    const bool needsSlash = len > 0 && buf[len - 1] != '/';
    const std::size_t base = len + (needsSlash ? 1 : 0);
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        const std::size_t nameLen = std::strlen(name);
        if (base + nameLen + 1 > PATH_MAX) {
            PD_LOG_WARN("folder size: skipping an entry whose path is too long under {}",
                        std::string_view(buf, len));
            continue;
        }
        if (needsSlash) {
            buf[len] = '/';
        }
        std::memcpy(buf + base, name, nameLen + 1);

        struct stat st {};
        unsigned char type = entry->d_type;
        const bool statOk = lstat(buf, &st) == 0;
        if (type == DT_UNKNOWN && statOk) {
            // Some file systems do not report the type: ask the link-not-following status call.
            type = S_ISREG(st.st_mode)   ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                   : S_ISDIR(st.st_mode) ? DT_DIR
                                         : DT_UNKNOWN;
        }
        if (type == DT_REG || type == DT_LNK) {
            if (statOk) {
                total += static_cast<std::uint64_t>(st.st_size);
            }
        } else if (type == DT_DIR) {
            total += folderSize(buf, base + nameLen);
            if (statOk) {
                total += static_cast<std::uint64_t>(st.st_size);
            }
        }
        buf[len] = '\0';
    }
    closedir(dir);
    return total;
}

}  // namespace

std::string ToolPackage::extensionOf(std::string_view nameOrPath) {
    std::string ext = rawExtension(nameOrPath);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::string ToolPackage::familyOf(std::string_view nameOrPath) {
    // Built once from the table; an extension listed twice keeps its first family. A listing
    // asks this for every file, so a lookup must not walk the table.
    static const auto* const byExtension = [] {
        auto* map = new std::unordered_map<std::string_view, const char*>();
        for (const Family& family : kFamilies) {
            for (const char* candidate : family.extensions) {
                map->emplace(candidate, family.name);
            }
        }
        return map;
    }();
    const std::string ext = extensionOf(nameOrPath);
    if (!ext.empty()) {
        if (const auto found = byExtension->find(ext); found != byExtension->end()) {
            return found->second;
        }
    }
    return "unkown";
}

bool ToolPackage::FileExtImg(std::string_view nameOrPath) {
    return familyOf(nameOrPath) == "picture";
}

std::string ToolPackage::FileExtImg(std::string_view nameOrPath, bool bBig) {
    return "format_" + familyOf(nameOrPath) + (bBig ? "_l.png" : ".png");
}

Color ToolPackage::colorFromHexRGB(std::optional<std::string_view> hex) {
    std::uint32_t value = 0;
    if (hex) {
        std::string_view s = *hex;
        std::size_t i = 0;
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
        }
        if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
            i += 2;
        }
        for (; i < s.size(); ++i) {
            const char c = s[i];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0) {
                break;
            }
            value =
                value * 16 + static_cast<std::uint32_t>(digit);  // wraps like strtoul's low bits
        }
    }
    Color c;
    c.red = ((value >> 16) & 0xFF) / 255.0;
    c.green = ((value >> 8) & 0xFF) / 255.0;
    c.blue = (value & 0xFF) / 255.0;
    c.alpha = 1;
    return c;
}

std::string ToolPackage::Get32bitMD5(std::string_view text) {
    const auto nul = text.find('\0');
    return md5HexLower(nul == std::string_view::npos ? text : text.substr(0, nul));
}

bool ToolPackage::FileExistAtPath(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

std::int64_t ToolPackage::FileSizeAtPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(st.st_size);
}

std::uint64_t ToolPackage::FolderSizeAtPath(const char* folderPath) {
    if (folderPath == nullptr) {
        return 0;
    }
    const std::size_t len = std::strlen(folderPath);
    if (len + 1 > PATH_MAX) {
        PD_LOG_WARN("folder size: path too long");
        return 0;
    }
    std::array<char, PATH_MAX> buf{};
    std::memcpy(buf.data(), folderPath, len + 1);
    return folderSize(buf.data(), len);
}

std::vector<std::string> ToolPackage::GetFilenamelistOfType(std::string_view ext,
                                                            const std::string& dirPath) {
    std::vector<std::string> names;
    DIR* dir = opendir(dirPath.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (FileExistAtPath(dirPath + "/" + name) && rawExtension(name) == ext &&
            name.find('.') != std::string::npos) {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

std::vector<FileObject> ToolPackage::GetFilenamelistOfPath(const std::string& dirPath,
                                                           bool bListDir) {
    std::vector<FileObject> out;
    DIR* dir = opendir(dirPath.c_str());
    if (dir == nullptr) {
        return out;
    }
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') {
            continue;  // hidden entries, "." and ".."
        }
        const std::string path = dirPath + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode) != bListDir) {
            continue;
        }
        std::tm tm{};
        const std::time_t mtime = st.st_mtime;
        localtime_r(&mtime, &tm);
        FileObject obj;
        obj.fileName = name;
        // Double precision: a float would round present-day times by up to two minutes.
        obj.modifyTime = (static_cast<double>(mtime) + static_cast<double>(tm.tm_gmtoff)) * 1000.0;
        obj.fileSize = FileSizeAtPath(path);
        out.push_back(std::move(obj));
    }
    closedir(dir);
    return out;
}

std::string ToolPackage::versionFromBundleVersion(std::string_view bundleVersion) {
    if (bundleVersion.empty()) {
        return {};
    }
    std::string v(bundleVersion);
    v.insert(1, ".0");
    return v;
}

const std::string& ToolPackage::GetAppVersion() {
    static std::once_flag once;
    static std::string version;
    std::call_once(once, [] { version = versionFromBundleVersion(POCKETDESK_BUNDLE_VERSION); });
    return version;
}

Image ToolPackage::imageWithColor(const Color& color) {
    Image img;
    img.width = kScreenWidth;
    img.height = kScreenHeight;
    const auto channel = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    const std::array<std::uint8_t, 4> px = {channel(color.red), channel(color.green),
                                            channel(color.blue), channel(color.alpha)};
    img.rgba.resize(static_cast<std::size_t>(img.width) * img.height * 4);
    for (std::size_t i = 0; i < img.rgba.size(); i += 4) {
        std::copy(px.begin(), px.end(), img.rgba.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return img;
}

ToolPackage& ToolPackage::shareInstance() {
    static ToolPackage* const instance = new ToolPackage();
    return *instance;
}

void ToolPackage::loadAssets(std::function<void()> completion, std::chrono::milliseconds limit) {
    std::uint64_t scan = 0;
    {
        std::lock_guard lock(assetsMutex_);
        scan = ++startedScans_;
    }
    AlbumScan::start(std::make_shared<const PhotoLibrary>(), limit,
                     [this, scan, completion = std::move(completion)](AlbumIndex index) {
                         {
                             std::lock_guard lock(assetsMutex_);
                             if (scan > installedScan_) {
                                 assetsDic_ = std::move(index);
                                 installedScan_ = scan;
                             }
                         }
                         if (completion) {
                             completion();
                         }
                     });
}

AlbumIndex ToolPackage::assetsDic() const {
    std::lock_guard lock(assetsMutex_);
    return assetsDic_;
}

}  // namespace pd
