#include "platform/Keychain.h"

#include "platform/AppHome.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <system_error>
#include <vector>

namespace pd {

namespace {

constexpr std::size_t kMaxKeychainFileBytes = 4 * 1024 * 1024;
constexpr mode_t kKeychainMode = 0600;

std::string toHex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const unsigned char c : bytes) {
        hex.push_back(kDigits[c >> 4]);
        hex.push_back(kDigits[c & 0x0F]);
    }
    return hex;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> fromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high << 4 | low));
    }
    return bytes;
}

std::optional<std::map<std::string, std::string>> parseItems(const std::string& text) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (!parsed.is_object() || !parsed.contains("items") || !parsed["items"].is_object()) {
        return std::nullopt;
    }
    std::map<std::string, std::string> items;
    for (const auto& [service, value] : parsed["items"].items()) {
        if (!value.is_string()) {
            return std::nullopt;
        }
        auto bytes = fromHex(value.get<std::string>());
        if (!bytes) {
            return std::nullopt;
        }
        items.emplace(service, std::move(*bytes));
    }
    return items;
}

struct SharedKeychains {
    std::mutex mutex;
    std::shared_ptr<Keychain> override;
    // Every keychain handed out stays alive: callers may hold the reference they were given.
    std::vector<std::shared_ptr<Keychain>> retired;
    std::map<std::filesystem::path, std::shared_ptr<Keychain>> byHome;
};

SharedKeychains& sharedKeychains() {
    static SharedKeychains* const s = new SharedKeychains();
    return *s;
}

}  // namespace

Keychain::~Keychain() = default;

Keychain& Keychain::shared() {
    const std::filesystem::path file = AppHome::path() / "Library" / "keychain";
    SharedKeychains& s = sharedKeychains();
    std::lock_guard lock(s.mutex);
    if (s.override) {
        return *s.override;
    }
    auto& slot = s.byHome[file];
    if (!slot) {
        slot = std::make_shared<FileKeychain>(file);
    }
    return *slot;
}

void Keychain::setShared(std::shared_ptr<Keychain> keychain) {
    SharedKeychains& s = sharedKeychains();
    std::lock_guard lock(s.mutex);
    if (s.override) {
        s.retired.push_back(std::move(s.override));
    }
    s.override = std::move(keychain);
}

FileKeychain::FileKeychain(std::filesystem::path file) : file_(std::move(file)) {
    load();
}

void FileKeychain::load() {
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) {
        return;
    }
    struct stat info {};
    if (::stat(file_.c_str(), &info) == 0 && (info.st_mode & 077) != 0) {
        PD_LOG_WARN("keychain {} was readable by others; restricting it to its owner",
                    file_.string());
        ::chmod(file_.c_str(), kKeychainMode);
    }
    if (const auto text = readWholeFile(file_, kMaxKeychainFileBytes)) {
        if (auto items = parseItems(*text)) {
            items_ = std::move(*items);
            return;
        }
    }
    if (const auto aside = setFileAside(file_)) {
        PD_LOG_WARN("keychain {} could not be read; kept as {}, starting empty", file_.string(),
                    aside->string());
    } else {
        writable_ = false;
        PD_LOG_ERROR("keychain {} could not be read nor moved aside; changes are refused",
                     file_.string());
    }
}

bool FileKeychain::store(const std::map<std::string, std::string>& items) {
    if (!writable_) {
        return false;
    }
    nlohmann::json encoded = nlohmann::json::object();
    for (const auto& [service, data] : items) {
        encoded[service] = toHex(data);
    }
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    const nlohmann::json document = {{"items", std::move(encoded)}};
    return writeFileAtomically(
        file_, document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
        kKeychainMode);
}

std::optional<std::string> FileKeychain::find(const std::string& service) {
    std::lock_guard lock(mutex_);
    const auto found = items_.find(service);
    if (found == items_.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool FileKeychain::add(const std::string& service, const std::string& data) {
    std::lock_guard lock(mutex_);
    // Services are JSON keys in the file, which must be UTF-8 to come back unchanged.
    if (items_.contains(service) || !isValidUtf8(service)) {
        return false;
    }
    auto next = items_;
    next.emplace(service, data);
    if (!store(next)) {
        return false;
    }
    items_ = std::move(next);
    return true;
}

bool FileKeychain::update(const std::string& service, const std::string& data) {
    std::lock_guard lock(mutex_);
    if (!items_.contains(service)) {
        return false;
    }
    auto next = items_;
    next[service] = data;
    if (!store(next)) {
        return false;
    }
    items_ = std::move(next);
    return true;
}

bool FileKeychain::remove(const std::string& service) {
    std::lock_guard lock(mutex_);
    if (!items_.contains(service)) {
        return false;
    }
    auto next = items_;
    next.erase(service);
    if (!store(next)) {
        return false;
    }
    items_ = std::move(next);
    return true;
}

}  // namespace pd
