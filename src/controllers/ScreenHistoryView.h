#pragma once
// The view of the capture history: one row per stored capture (name, relative time), an empty
// picture when there is none, one swipe action (delete) per row, and the capture viewer.

#include "controllers/CaptureViewer.h"
#include "controllers/ScreenView.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pd {

struct ScreenHistoryRow {
    std::string fileName;   // the file's name, for display
    std::string timeLabel;  // "30 seconds ago", "Today 09:05"...
    std::string filePath;   // folder path, "/", file name

    bool operator==(const ScreenHistoryRow&) const = default;
};

class ScreenHistoryView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    virtual void reloadRows(const std::vector<ScreenHistoryRow>& /*rows*/) {}
    virtual void setEmptyVisible(bool /*visible*/) {}
    virtual void closeSwipeActions(std::size_t /*row*/) {}
    virtual void openCaptureViewer(const std::vector<CaptureImage>& /*images*/,
                                   std::size_t /*start*/) {}
    virtual void closeScreen() {}
};

}  // namespace pd
