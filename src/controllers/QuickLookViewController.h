#pragma once
// The preview screen: shows how much of a file has arrived in the phone's cache and, once all of
// it is there, the file itself. The screen that opens it decides where the bytes come from
// through the finish callback (run when the screen has loaded) and what leaving early means
// through the pop callback.

#include "controllers/QuickLookView.h"

#include <functional>
#include <memory>
#include <string>

namespace pd {

class QuickLookViewController {
  public:
    enum class EditAction { Copy, Cut, Paste, Select, SelectAll };

    explicit QuickLookViewController(std::string path);

    void setView(std::weak_ptr<QuickLookView> view) { view_ = std::move(view); }
    // Both callbacks are copied; set them before viewDidLoad.
    void QuickLoadFinish(std::function<void()> finishBlock) {
        finishBlock_ = std::move(finishBlock);
    }
    void QuickLoadPop(std::function<void()> popBlock) { popBlock_ = std::move(popBlock); }

    // Titles the screen, shows the file's large icon, the progress so far and the loading text,
    // then runs the finish callback.
    void viewDidLoad();
    // Moves the bar; exactly 1 opens the document (once).
    void setProgress(float fraction);
    // The file could not be fetched: says so; the screen stays until the user leaves it.
    void downloadFailed();
    // Runs the pop callback, then closes the screen.
    void DoBack();

    // The document preview lets the user copy, nothing else.
    static bool canPerformAction(EditAction action) { return action == EditAction::Copy; }

    const std::string& path() const { return path_; }
    std::string fileName() const;
    float progress() const { return progress_; }

  private:
    std::shared_ptr<QuickLookView> view() const { return view_.lock(); }

    std::string path_;
    float progress_ = 0;
    bool documentOpened_ = false;
    std::function<void()> finishBlock_;
    std::function<void()> popBlock_;
    std::weak_ptr<QuickLookView> view_;
};

}  // namespace pd
