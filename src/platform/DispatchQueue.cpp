#include "platform/DispatchQueue.h"

#include "platform/Log.h"

#include <exception>

namespace pd {

DispatchQueue::~DispatchQueue() = default;

void DispatchQueue::runGuarded(const Task& t, const std::string& label) noexcept {
    if (!t) {
        return;
    }
    try {
        t();
    } catch (const std::exception& e) {
        PD_LOG_ERROR("task on queue {} threw: {}", label, e.what());
    } catch (...) {
        PD_LOG_ERROR("task on queue {} threw a non-standard exception", label);
    }
}

}  // namespace pd
