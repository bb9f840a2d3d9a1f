#pragma once
// The browser's screens on a terminal: each view keeps what the screen last showed (rows,
// tips, the preview's file) so that commands can wait for a screen and print it. They decide
// nothing: every action goes to the screen controllers.

#include "Output.h"

#include "controllers/DiskView.h"
#include "controllers/DownloadListView.h"
#include "controllers/FileBrowserView.h"
#include "controllers/QuickLookView.h"

#include <optional>
#include <string>
#include <vector>

namespace pd::cli {

// What every terminal screen remembers: a reload counter and the last tip.
struct ScreenRecord {
    int reloads = 0;
    std::vector<std::string> tips;
    bool closed = false;
    bool declined = false;  // a question was answered with "cancel"
};

class TerminalQuickLookView : public QuickLookView {
  public:
    void setProgress(float fraction, bool) override { progress = fraction; }
    void openDocument(const std::string& path) override { openedPath = path; }
    void showTip(const std::string& text, std::chrono::milliseconds) override {
        record.tips.push_back(text);
    }
    void closeScreen() override { record.closed = true; }

    float progress = 0;
    std::optional<std::string> openedPath;
    ScreenRecord record;
};

class TerminalFolderView : public FileBrowserView {
  public:
    void reloadRows(const std::vector<BrowserRow>& r) override {
        rows = r;
        ++record.reloads;
    }
    void showTip(const std::string& text, std::chrono::milliseconds) override {
        record.tips.push_back(text);
    }
    void closeScreen() override { record.closed = true; }
    std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>&) override {
        preview = std::make_shared<TerminalQuickLookView>();
        return preview;
    }
    void showPhotoViewer(const std::vector<PhotoItem>& p, std::size_t) override { photos = p; }

    std::vector<BrowserRow> rows;
    std::vector<PhotoItem> photos;
    std::shared_ptr<TerminalQuickLookView> preview;
    ScreenRecord record;
};

class TerminalDiskView : public DiskView {
  public:
    explicit TerminalDiskView(const Output& out, bool answerYes)
        : out_(out), answerYes_(answerYes) {}
    void reloadRows(const std::vector<BrowserRow>& r) override {
        rows = r;
        ++record.reloads;
    }
    void showTip(const std::string& text, std::chrono::milliseconds) override {
        record.tips.push_back(text);
    }
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override;
    std::shared_ptr<FileBrowserView> presentFolderScreen(
        const std::shared_ptr<FileViewController>&) override {
        folder = std::make_shared<TerminalFolderView>();
        return folder;
    }

    std::vector<BrowserRow> rows;
    std::shared_ptr<TerminalFolderView> folder;
    ScreenRecord record;

  private:
    const Output& out_;
    bool answerYes_;
};

class TerminalDownloadListView : public DownloadListView {
  public:
    TerminalDownloadListView(const Output& out, bool answerYes)
        : out_(out), answerYes_(answerYes) {}
    void reloadRunningRows(const std::vector<DownloadRow>& rows) override { running = rows; }
    void reloadFinishedSections(const std::vector<FinishedSection>& s) override {
        sections = s;
        ++record.reloads;
    }
    void setRowProgress(std::size_t row, float progress, bool) override {
        if (row < running.size())
            running[row].progress = progress;
    }
    void setRowProgressText(std::size_t row, const std::string& text) override {
        if (row < running.size())
            running[row].progressText = text;
    }
    void setRowStatus(std::size_t row, int status) override {
        if (row < running.size())
            running[row].bnStatus = status;
    }
    void showTip(const std::string& text, std::chrono::milliseconds) override {
        record.tips.push_back(text);
    }
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override;

    std::vector<DownloadRow> running;
    std::vector<FinishedSection> sections;
    ScreenRecord record;

  private:
    const Output& out_;
    bool answerYes_;
};

// Confirmation on a terminal: --yes answers ok, a terminal asks, anything else cancels.
void confirmOnTerminal(const Output& out, bool answerYes, const std::string& key,
                       const std::vector<std::string>& buttons, std::function<void(int)> answer);

}  // namespace pd::cli
