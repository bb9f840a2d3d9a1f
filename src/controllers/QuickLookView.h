#pragma once
// The view of the preview screen: the file's download progress, then the file itself.

#include "controllers/ScreenView.h"

#include <string>

namespace pd {

class QuickLookView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*text*/) {}
    virtual void setIcon(const std::string& /*image*/) {}
    // The text under the progress bar (a localisation key).
    virtual void setLoadingText(const std::string& /*key*/) {}
    virtual void setProgress(float /*fraction*/, bool /*animated*/) {}
    // Shows the platform's document preview of the phone file at `path`. The preview offers copy
    // only (see QuickLookViewController::canPerformAction).
    virtual void openDocument(const std::string& /*path*/) {}
    virtual void closeScreen() {}
};

}  // namespace pd
