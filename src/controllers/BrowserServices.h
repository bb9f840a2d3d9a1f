#pragma once
// What the browser and download-list screens use from outside them: the core controller and the
// sink of usage statistics (button numbers), so that tests can watch both.

#include "core/AuthCore.h"

#include <functional>

namespace pd {

struct BrowserServices {
    AuthCore& core;
    // Receives each button number; when empty they go to core.SubmitBnClickStat.
    std::function<void(int)> submitStat;

    static BrowserServices standard() { return {AuthCore::ShareInstance(), {}}; }

    void stat(int button) const {
        if (submitStat) {
            submitStat(button);
        } else {
            core.SubmitBnClickStat(button);
        }
    }
};

}  // namespace pd
