#include "ClassStore.h"
#include "WriteAll.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

namespace pd::peer {

namespace fs = std::filesystem;
using nlohmann::json;

static constexpr std::array<std::int32_t, 4> kClassIds{1, 16, 256, 4096};

bool ClassStore::isClassId(std::int32_t id) {
    return std::find(kClassIds.begin(), kClassIds.end(), id) != kClassIds.end();
}

ClassStore::ClassStore(fs::path file) : file_(std::move(file)) {
    for (std::int32_t id : kClassIds) {
        classes_[id];
    }
    load();
}

void ClassStore::load() {
    std::error_code ec;
    if (!fs::exists(file_, ec)) {
        return;
    }
    std::uintmax_t size = fs::file_size(file_, ec);
    json doc;
    if (!ec && size <= kMaxClassFileBytes) {
        std::ifstream in(file_, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        doc = json::parse(text, nullptr, false);
    }
    if (ec || size > kMaxClassFileBytes || !doc.is_object() || !doc.contains("classes") ||
        !doc["classes"].is_object()) {
        fs::path aside = file_.string() + ".bad";
        fs::rename(file_, aside, ec);
        PD_LOG_WARN("class file {} is unreadable; moved to {}", file_.string(), aside.string());
        return;
    }
    for (std::int32_t id : kClassIds) {
        auto it = doc["classes"].find(std::to_string(id));
        if (it == doc["classes"].end() || !it->is_array()) {
            continue;
        }
        std::vector<std::string>& list = classes_[id];
        for (const json& m : *it) {
            if (m.is_string() && list.size() < kMaxClassMembers &&
                std::find(list.begin(), list.end(), m.get<std::string>()) == list.end()) {
                list.push_back(m.get<std::string>());
            }
        }
    }
}

bool ClassStore::save() const {
    json classes = json::object();
    for (const auto& [id, list] : classes_) {
        classes[std::to_string(id)] = list;
    }
    json doc = {{"version", 1}, {"classes", classes}};
    std::string text = doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";

    fs::path tmp = file_.string() + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        PD_LOG_ERROR("cannot write class file {}: {}", tmp.string(), std::strerror(errno));
        return false;
    }
    bool ok = writeAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(tmp.c_str(), file_.c_str()) != 0) {
        PD_LOG_ERROR("cannot write class file {}: {}", file_.string(), std::strerror(errno));
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> ClassStore::members(std::int32_t classId) const {
    std::lock_guard lock(mutex_);
    auto it = classes_.find(classId);
    return it == classes_.end() ? std::vector<std::string>{} : it->second;
}

ClassStore::Change ClassStore::add(std::int32_t classId, const std::string& windowsPath) {
    if (!isClassId(classId)) {
        return Change::InvalidClass;
    }
    std::lock_guard lock(mutex_);
    std::vector<std::string>& list = classes_[classId];
    if (std::find(list.begin(), list.end(), windowsPath) != list.end()) {
        return Change::AlreadyPresent;
    }
    if (list.size() >= kMaxClassMembers) {
        return Change::Full;
    }
    list.push_back(windowsPath);
    if (!save()) {
        list.pop_back();
        return Change::WriteFailed;
    }
    return Change::Done;
}

ClassStore::Change ClassStore::remove(std::int32_t classId, const std::string& windowsPath) {
    if (!isClassId(classId)) {
        return Change::InvalidClass;
    }
    std::lock_guard lock(mutex_);
    std::vector<std::string>& list = classes_[classId];
    auto it = std::find(list.begin(), list.end(), windowsPath);
    if (it == list.end()) {
        return Change::NotPresent;
    }
    std::size_t index = static_cast<std::size_t>(it - list.begin());
    std::string removed = std::move(*it);
    list.erase(it);
    if (!save()) {
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(removed));
        return Change::WriteFailed;
    }
    return Change::Done;
}

}  // namespace pd::peer
