#include "platform/NotificationCenter.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <exception>
#include <mutex>
#include <vector>

namespace pd {

struct NotificationCenter::Registry {
    struct Observer {
        std::string name;
        std::shared_ptr<const NotificationHandler> handler;
    };

    std::mutex mutex;
    ObserverToken nextToken = 1;
    std::map<ObserverToken, Observer> observers;

    void deliver(const std::string& name, const UserInfo& info) {
        std::vector<ObserverToken> targets;
        {
            std::lock_guard lock(mutex);
            for (const auto& [token, observer] : observers) {
                if (observer.name.empty() || observer.name == name) {
                    targets.push_back(token);
                }
            }
        }
        for (const ObserverToken token : targets) {
            // Looked up again per observer: an earlier one may have removed it.
            std::shared_ptr<const NotificationHandler> handler;
            {
                std::lock_guard lock(mutex);
                const auto found = observers.find(token);
                if (found == observers.end()) {
                    continue;
                }
                handler = found->second.handler;
            }
            try {
                (*handler)(name, info);
            } catch (const std::exception& e) {
                PD_LOG_ERROR("observer of {} threw: {}", name, e.what());
            } catch (...) {
                PD_LOG_ERROR("observer of {} threw a non-standard exception", name);
            }
        }
    }
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* const center = new NotificationCenter();
    return *center;
}

NotificationCenter::NotificationCenter() : NotificationCenter(MainQueue::shared()) {}

NotificationCenter::NotificationCenter(DispatchQueue& deliveryQueue)
    : queue_(deliveryQueue), registry_(std::make_shared<Registry>()) {}

ObserverToken NotificationCenter::addObserver(std::string name, NotificationHandler handler) {
    if (!handler) {
        return 0;
    }
    std::lock_guard lock(registry_->mutex);
    const ObserverToken token = registry_->nextToken++;
    registry_->observers.emplace(
        token, Registry::Observer{std::move(name),
                                  std::make_shared<const NotificationHandler>(std::move(handler))});
    return token;
}

void NotificationCenter::removeObserver(ObserverToken token) {
    std::shared_ptr<const NotificationHandler> released;
    std::lock_guard lock(registry_->mutex);
    const auto found = registry_->observers.find(token);
    if (found != registry_->observers.end()) {
        released = std::move(found->second.handler);
        registry_->observers.erase(found);
    }
}

void NotificationCenter::post(std::string name, UserInfo info) {
    // A weak reference: a center destroyed before delivery simply delivers nothing.
    queue_.async([weak = std::weak_ptr<Registry>(registry_), name = std::move(name),
                  info = std::move(info)] {
        if (auto registry = weak.lock()) {
            registry->deliver(name, info);
        }
    });
}

void NotificationCenter::postNow(const std::string& name, const UserInfo& info) {
    registry_->deliver(name, info);
}

std::optional<std::string> userInfoText(const UserInfo& info, const std::string& key) {
    const auto it = info.find(key);
    if (it != info.end()) {
        if (const auto* text = std::get_if<std::string>(&it->second)) {
            return *text;
        }
    }
    return std::nullopt;
}

std::uint64_t userInfoSize(const UserInfo& info, const std::string& key) {
    const auto it = info.find(key);
    if (it != info.end()) {
        if (const auto* n = std::get_if<std::int64_t>(&it->second); n && *n > 0) {
            return static_cast<std::uint64_t>(*n);
        }
    }
    return 0;
}

}  // namespace pd
