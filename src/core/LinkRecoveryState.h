#pragma once
// Where the restoration of a dropped link stands, as the screens show it.

#include <string>

namespace pd {

struct LinkRecoveryState {
    enum class Phase {
        Reconnecting,  // the link dropped; trying again (attempt counts from 1)
        Restored,      // linked again; `detail` says what goes on
        GaveUp,        // no way back; the server list follows
    };
    Phase phase = Phase::Reconnecting;
    int attempt = 0;
    std::string pcName;
    // Composed text for the user, such as "2 downloads resume; the backup goes on".
    std::string detail;

    bool operator==(const LinkRecoveryState&) const = default;
};

}  // namespace pd
