#pragma once
// Generic-password items: byte values found by their service identifier. The items outlive
// the application's other state, so they live in a file of their own, readable only by the
// owner.

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace pd {

class Keychain {
  public:
    virtual ~Keychain();

    // The item's value, or nullopt if there is no item for the service.
    virtual std::optional<std::string> find(const std::string& service) = 0;
    // False if an item for the service exists already or it could not be stored.
    virtual bool add(const std::string& service, const std::string& data) = 0;
    // False if there is no item for the service or it could not be stored.
    virtual bool update(const std::string& service, const std::string& data) = 0;
    // False if there is no item for the service or the removal could not be stored.
    virtual bool remove(const std::string& service) = 0;

    // The keychain set with setShared(), else a FileKeychain at <home>/Library/keychain for the
    // current application home. Thread-safe; the object stays valid to the end of the process.
    static Keychain& shared();
    // Replaces the shared keychain (tests); nullptr goes back to the file of the home.
    static void setShared(std::shared_ptr<Keychain> keychain);
};

// Items kept as JSON {"items": {service: hex of the value bytes}} in one file of mode 0600,
// rewritten atomically on every change. A file that does not parse is moved aside, never lost.
class FileKeychain : public Keychain {
  public:
    explicit FileKeychain(std::filesystem::path file);

    std::optional<std::string> find(const std::string& service) override;
    bool add(const std::string& service, const std::string& data) override;
    bool update(const std::string& service, const std::string& data) override;
    bool remove(const std::string& service) override;

    const std::filesystem::path& file() const { return file_; }

  private:
    void load();
    bool store(const std::map<std::string, std::string>& items);

    std::filesystem::path file_;
    std::mutex mutex_;
    std::map<std::string, std::string> items_;
    bool writable_ = true;
};

}  // namespace pd
