#pragma once
// What the browser and download-list screens use from outside them: the core controller, the
// finished-file store and the sink of usage statistics (button numbers), so that tests can
// watch them. The application object hands out the process's own.

#include "core/AuthCore.h"
#include "core/FinishedFileStore.h"

#include <functional>

namespace pd {

struct BrowserServices {
    AuthCore& core;
    FinishedFileStore& finished;
    // Receives each button number; when empty they go to core.SubmitBnClickStat.
    std::function<void(int)> submitStat;

    void stat(int button) const {
        if (submitStat) {
            submitStat(button);
        } else {
            core.SubmitBnClickStat(button);
        }
    }
};

}  // namespace pd
