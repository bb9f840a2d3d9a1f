#pragma once
// The backup screen on a terminal: it keeps what the backup command waits for (the photos the
// browser offers, how the batch ended), prints each item as it ends, and draws the progress as
// a bar on a terminal (a plain line per item otherwise).

#include "Output.h"

#include "controllers/BackFileView.h"

#include <optional>
#include <string>
#include <vector>

namespace pd::cli {

class TerminalBackupView : public BackFileView {
  public:
    TerminalBackupView(const Output& out, bool drawsBar) : out_(out), drawsBar_(drawsBar) {}

    void setTimeLine(const std::string& text) override;
    void setBackupFolderLine(const std::string& text) override { folderLine = text; }
    void showTip(const std::string& key, std::chrono::milliseconds) override;
    void showProgressRing(std::size_t) override { ringShown_ = true; }
    void setProgressRing(std::size_t done, std::size_t total) override;
    void hideProgressRing() override { ringShown_ = false; }
    void openPhotoBrowser(const std::vector<PhotoEntry>& photos) override { browser = photos; }
    void itemEnded(const std::string& fileName, UploadOutcome outcome) override;
    void backupEnded(const BackupReport& report) override;

    std::string folderLine;
    std::optional<std::vector<PhotoEntry>> browser;
    std::optional<BackupReport> report;
    std::vector<std::string> tips;

  private:
    void clearBar();

    const Output& out_;
    bool drawsBar_;
    bool barShown_ = false;
    bool ringShown_ = false;
};

}  // namespace pd::cli
