#pragma once
// The user-defaults store: small settings by key, kept in one JSON file. Reads and writes are
// thread-safe. Changes live in memory until synchronize() writes the file atomically; a store
// with unsaved changes also writes them when it is destroyed and, for standard(), when the
// process exits. A file that does not parse is moved aside (never deleted) and the store
// starts empty.
//
// Values convert between types the way settings are read back: a string "1" reads as the
// integer 1 and as true, an integer 0 as the string "0" and as false.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace pd {

class UserDefaults {
  public:
    // The store of the current application home: <home>/Library/Preferences/defaults.json.
    // One object per home, never destroyed, so references stay valid when tests switch homes.
    static UserDefaults& standard();

    explicit UserDefaults(std::filesystem::path file);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<std::int64_t> integerForKey(const std::string& key) const;
    std::optional<bool> boolForKey(const std::string& key) const;
    std::optional<double> doubleForKey(const std::string& key) const;

    void setString(const std::string& key, std::string value);
    void setInteger(const std::string& key, std::int64_t value);
    void setBool(const std::string& key, bool value);
    void setDouble(const std::string& key, double value);
    void removeObjectForKey(const std::string& key);
    bool hasKey(const std::string& key) const;

    // Writes the store if it changed; true when the file holds what the store holds.
    bool synchronize();

    const std::filesystem::path& file() const { return file_; }

  private:
    static void flushStandardStores();
    void load();
    bool writeLocked();
    // Flush for destruction and process exit: never recreates a folder that was removed.
    void flushIfFolderExists();
    template <typename T>
    void set(const std::string& key, T&& value);

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    nlohmann::json values_ = nlohmann::json::object();
    bool dirty_ = false;
    bool writable_ = true;
};

}  // namespace pd
