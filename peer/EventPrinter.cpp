#include "EventPrinter.h"

#include <iostream>
#include <mutex>

namespace pd::peer {

void printEvent(const nlohmann::ordered_json& event) {
    static std::mutex printMutex;
    std::lock_guard lock(printMutex);
    std::cout << event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << std::endl;
}

}  // namespace pd::peer
