#pragma once
// The remote control panel's two toggles (music playing, slide show running) as a front-end
// last left them, per computer. The panel shows "play" and "start" whenever a section is built;
// a front-end that runs one command per process restores what it remembers after building the
// section, so pressing play twice in two runs plays and then pauses.
//
// Kept in the user defaults under "PANELTOGGLES" as a JSON object keyed by device tag.

#include <string>

namespace pd {

class UserDefaults;

struct PanelToggles {
    bool musicShowsPause = false;  // the music is playing: the control offers pause
    bool slidesShowEnd = false;    // the show is running: the control offers end

    bool operator==(const PanelToggles&) const = default;
};

class PanelToggleMemory {
  public:
    static constexpr const char* kKey = "PANELTOGGLES";

    // The store of the current application home.
    static PanelToggleMemory standard();
    explicit PanelToggleMemory(UserDefaults& defaults) : defaults_(defaults) {}

    // What is remembered for this computer; the panel's initial state when nothing is (or the
    // stored text is unreadable).
    PanelToggles read(const std::string& deviceTag) const;
    // Remembers the toggles for this computer and writes the store.
    void write(const std::string& deviceTag, const PanelToggles& toggles);

  private:
    UserDefaults& defaults_;
};

}  // namespace pd
