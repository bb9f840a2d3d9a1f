#include "controllers/PlugMessage.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace pd {

std::optional<PlugMessage> makePlugMessage(std::string plugId, const std::string& command,
                                           const std::optional<std::string>& data) {
    nlohmann::json object = {{"c", command}};
    if (data) {
        object["d"] = *data;
    }
    try {
        return PlugMessage{std::move(plugId), object.dump()};
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;  // a text that is not UTF-8
    }
}

std::string computerPath(std::string path) {
    std::ranges::replace(path, '/', '\\');
    return path;
}

}  // namespace pd
