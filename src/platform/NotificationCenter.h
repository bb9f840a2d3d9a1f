#pragma once
// Named notifications with a small dictionary of values. Observers are called on the main
// queue (post) or synchronously on the posting thread (postNow, for code already on the main
// queue). An observer removed before a delivery reaches it is not called, even when the
// removal happens inside another observer of the same notification.

#include "platform/DispatchQueue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace pd {

using UserInfoValue = std::variant<std::monostate, bool, std::int64_t, double, std::string>;
using UserInfo = std::map<std::string, UserInfoValue>;
// The text under `key`; nullopt when it is missing or not a text.
std::optional<std::string> userInfoText(const UserInfo& info, const std::string& key);
// A positive byte count under `key`; 0 when it is missing, not an integer or not positive.
std::uint64_t userInfoSize(const UserInfo& info, const std::string& key);

using NotificationHandler = std::function<void(const std::string& name, const UserInfo& info)>;
// 0 is never a valid token.
using ObserverToken = std::uint64_t;

class NotificationCenter {
  public:
    // Delivers on MainQueue::shared(); process-wide and never destroyed.
    static NotificationCenter& defaultCenter();

    NotificationCenter();
    // Delivers posted notifications on `deliveryQueue`, which must outlive the center's posts.
    explicit NotificationCenter(DispatchQueue& deliveryQueue);
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name observes every notification.
    ObserverToken addObserver(std::string name, NotificationHandler handler);
    void removeObserver(ObserverToken token);

    // Queues the notification for delivery on the delivery queue; safe from any thread.
    void post(std::string name, UserInfo info = {});
    // Delivers now, on the calling thread.
    void postNow(const std::string& name, const UserInfo& info = {});

  private:
    struct Registry;

    DispatchQueue& queue_;
    std::shared_ptr<Registry> registry_;
};

}  // namespace pd
