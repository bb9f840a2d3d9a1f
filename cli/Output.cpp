#include "Output.h"

#include <iostream>

namespace pd::cli {

void Output::say(const std::string& line) const {
    if (!json_) {
        std::cout << line << std::endl;
    }
}

void Output::event(const nlohmann::json& object, const std::string& text) const {
    if (json_) {
        std::cout << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  << std::endl;
    } else if (!text.empty()) {
        std::cout << text << std::endl;
    }
}

void Output::error(const std::string& text) const {
    std::cerr << "pocketdesk: " << text << std::endl;
    if (json_) {
        event({{"event", "error"}, {"message", text}}, "");
    }
}

}  // namespace pd::cli
