#include "platform/UserDefaults.h"

#include "platform/AppHome.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>

namespace pd {

namespace {

// Settings are a few kilobytes; anything far larger is not ours.
constexpr std::size_t kMaxDefaultsFileBytes = 16 * 1024 * 1024;

std::mutex& standardMutex() {
    static std::mutex* const mutex = new std::mutex();
    return *mutex;
}

std::map<std::filesystem::path, std::unique_ptr<UserDefaults>>& standardStores() {
    static auto* const stores =
        new std::map<std::filesystem::path, std::unique_ptr<UserDefaults>>();
    return *stores;
}

// Leading decimal integer after optional blanks and sign; trailing text is ignored and a
// text without digits reads as 0. Out-of-range values saturate.
std::int64_t integerFromText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return negative ? std::numeric_limits<std::int64_t>::min()
                        : std::numeric_limits<std::int64_t>::max();
    }
    if (ec != std::errc()) {
        return 0;
    }
    (void)end;
    return negative ? -value : value;
}

std::int64_t integerFromDouble(double d) {
    if (std::isnan(d)) {
        return 0;
    }
    if (d >= 9.2e18) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (d <= -9.2e18) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(d);
}

bool boolFromText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    if (c == 'y' || c == 't') {
        return true;
    }
    return integerFromText(text) != 0;
}

}  // namespace

UserDefaults& UserDefaults::standard() {
    const std::filesystem::path file =
        AppHome::path() / "Library" / "Preferences" / "defaults.json";
    std::lock_guard lock(standardMutex());
    auto& stores = standardStores();
    auto found = stores.find(file);
    if (found == stores.end()) {
        static const bool registered = (std::atexit(&UserDefaults::flushStandardStores), true);
        (void)registered;
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
        found = stores.emplace(file, std::make_unique<UserDefaults>(file)).first;
    }
    return *found->second;
}

void UserDefaults::flushStandardStores() {
    std::lock_guard lock(standardMutex());
    for (auto& entry : standardStores()) {
        entry.second->flushIfFolderExists();
    }
}

UserDefaults::UserDefaults(std::filesystem::path file) : file_(std::move(file)) {
    load();
}

UserDefaults::~UserDefaults() {
    flushIfFolderExists();
}

void UserDefaults::load() {
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) {
        return;
    }
    const auto bytes = readWholeFile(file_, kMaxDefaultsFileBytes);
    if (bytes) {
        nlohmann::json parsed = nlohmann::json::parse(*bytes, nullptr, false);
        if (parsed.is_object()) {
            values_ = std::move(parsed);
            return;
        }
    }
    const auto aside = setFileAside(file_);
    if (aside) {
        PD_LOG_WARN("user defaults {} could not be read; kept as {}, starting empty",
                    file_.string(), aside->string());
    } else {
        // Writing now would replace the only copy of the old settings.
        writable_ = false;
        PD_LOG_ERROR("user defaults {} could not be read nor moved aside; changes stay unsaved",
                     file_.string());
    }
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    const nlohmann::json& v = *found;
    if (v.is_string()) {
        return v.get<std::string>();
    }
    if (v.is_boolean()) {
        return std::string(v.get<bool>() ? "1" : "0");
    }
    if (v.is_number_integer()) {
        return std::to_string(v.get<std::int64_t>());
    }
    if (v.is_number()) {
        return v.dump();
    }
    return std::nullopt;
}

std::optional<std::int64_t> UserDefaults::integerForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    const nlohmann::json& v = *found;
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        return u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(u);
    }
    if (v.is_number_integer()) {
        return v.get<std::int64_t>();
    }
    if (v.is_number_float()) {
        return integerFromDouble(v.get<double>());
    }
    if (v.is_boolean()) {
        return v.get<bool>() ? 1 : 0;
    }
    if (v.is_string()) {
        return integerFromText(v.get<std::string>());
    }
    return std::nullopt;
}

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    const nlohmann::json& v = *found;
    if (v.is_boolean()) {
        return v.get<bool>();
    }
    if (v.is_number()) {
        return v.get<double>() != 0.0;
    }
    if (v.is_string()) {
        return boolFromText(v.get<std::string>());
    }
    return std::nullopt;
}

std::optional<double> UserDefaults::doubleForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    const nlohmann::json& v = *found;
    if (v.is_number()) {
        return v.get<double>();
    }
    if (v.is_boolean()) {
        return v.get<bool>() ? 1.0 : 0.0;
    }
    if (v.is_string()) {
        const std::string text = v.get<std::string>();
        char* end = nullptr;
        const double d = std::strtod(text.c_str(), &end);
        return end == text.c_str() ? 0.0 : d;
    }
    return std::nullopt;
}

template <typename T>
void UserDefaults::set(const std::string& key, T&& value) {
    std::lock_guard lock(mutex_);
    nlohmann::json& slot = values_[key];
    nlohmann::json next(std::forward<T>(value));
    if (slot != next) {
        slot = std::move(next);
        dirty_ = true;
    }
}

void UserDefaults::setString(const std::string& key, std::string value) {
    if (!isValidUtf8(value)) {
        // JSON holds only UTF-8: keep what the file will hold, so memory and disk agree.
        PD_LOG_WARN("user default {} is not UTF-8; invalid bytes become U+FFFD", key);
        const std::string repaired =
            nlohmann::json(value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        value = nlohmann::json::parse(repaired).get<std::string>();
    }
    set(key, std::move(value));
}

void UserDefaults::setInteger(const std::string& key, std::int64_t value) {
    set(key, value);
}

void UserDefaults::setBool(const std::string& key, bool value) {
    set(key, value);
}

void UserDefaults::setDouble(const std::string& key, double value) {
    // JSON has no NaN or infinity; they would not survive a reopen.
    set(key, std::isfinite(value) ? value : 0.0);
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) > 0) {
        dirty_ = true;
    }
}

bool UserDefaults::hasKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.contains(key);
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    if (!dirty_) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    return writeLocked();
}

bool UserDefaults::writeLocked() {
    if (!writable_) {
        return false;
    }
    if (!writeFileAtomically(
            file_, values_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
            0644)) {
        return false;
    }
    dirty_ = false;
    return true;
}

void UserDefaults::flushIfFolderExists() {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    if (dirty_ && std::filesystem::is_directory(file_.parent_path(), ec)) {
        writeLocked();
    }
}

}  // namespace pd
