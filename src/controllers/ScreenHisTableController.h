#pragma once
// The capture history: every capture in the capture folder with its relative time, in the
// order the folder lists them. A row opens the viewer at its image; its swipe action deletes
// the capture's file, its row and its image together.
//
// Main queue only.

#include "controllers/BrowserServices.h"
#include "controllers/ScreenHistoryView.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class ScreenHisTableController {
  public:
    ScreenHisTableController(std::weak_ptr<ScreenHistoryView> view, BrowserServices services,
                             std::filesystem::path screenDir);
    void setView(std::weak_ptr<ScreenHistoryView> view) { view_ = std::move(view); }
    // The clock the time labels are measured from (tests fix it).
    void setClock(std::function<std::time_t()> now) { now_ = std::move(now); }

    // Lists the folder and shows the rows.
    void viewDidLoad();
    std::size_t numberOfRows() const { return historyArr_.size(); }
    ScreenHistoryRow cellForRow(std::size_t row) const;
    std::vector<ScreenHistoryRow> rows() const;
    // Opens the viewer over every capture, at this row.
    void didSelectRow(std::size_t row);
    // The row's swipe action; only index 0 (delete) does anything. False if nothing was
    // deleted (no such row or action); a file that cannot be removed still loses its row.
    bool didTriggerRightUtilityButton(std::size_t row, int index);
    void DoBack();

    const std::vector<std::string>& historyArr() const { return historyArr_; }
    const std::vector<CaptureImage>& photos() const { return photos_; }

  private:
    void reload();
    std::shared_ptr<ScreenHistoryView> view() const { return view_.lock(); }

    std::weak_ptr<ScreenHistoryView> view_;
    BrowserServices services_;
    std::filesystem::path screenDir_;
    std::function<std::time_t()> now_;
    std::vector<std::string> historyArr_;
    std::vector<CaptureImage> photos_;
};

}  // namespace pd
