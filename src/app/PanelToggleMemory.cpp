#include "app/PanelToggleMemory.h"

#include "platform/UserDefaults.h"

#include <nlohmann/json.hpp>

namespace pd {

namespace {

// The stored object; anything that is not one (an older or damaged value) counts as empty.
nlohmann::json storedObject(const UserDefaults& defaults) {
    const auto text = defaults.stringForKey(PanelToggleMemory::kKey);
    if (!text) {
        return nlohmann::json::object();
    }
    nlohmann::json parsed = nlohmann::json::parse(*text, nullptr, false);
    return parsed.is_object() ? parsed : nlohmann::json::object();
}

bool flag(const nlohmann::json& entry, const char* name) {
    const auto it = entry.find(name);
    return it != entry.end() && it->is_boolean() && it->get<bool>();
}

}  // namespace

PanelToggleMemory PanelToggleMemory::standard() {
    return PanelToggleMemory(UserDefaults::standard());
}

PanelToggles PanelToggleMemory::read(const std::string& deviceTag) const {
    const nlohmann::json all = storedObject(defaults_);
    const auto it = all.find(deviceTag);
    if (it == all.end() || !it->is_object()) {
        return {};
    }
    return {flag(*it, "music"), flag(*it, "slides")};
}

void PanelToggleMemory::write(const std::string& deviceTag, const PanelToggles& toggles) {
    nlohmann::json all = storedObject(defaults_);
    all[deviceTag] = {{"music", toggles.musicShowsPause}, {"slides", toggles.slidesShowEnd}};
    // A tag from the network may hold any bytes: replace what is not UTF-8 rather than throw.
    defaults_.setString(kKey, all.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    defaults_.synchronize();
}

}  // namespace pd
