#pragma once
// The browser's screens on a terminal: each view keeps what the screen last showed (rows,
// tips, the preview's file) so that commands can wait for a screen and print it. They decide
// nothing: every action goes to the screen controllers.

#include "Output.h"

#include "controllers/DiskView.h"
#include "controllers/DownloadListView.h"
#include "controllers/FileBrowserView.h"
#include "controllers/QuickLookView.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pd::cli {

// What every terminal screen remembers: how its listings and actions ended, and its tips (as
// localisation keys).
struct ScreenRecord {
    int reloads = 0;
    int listings = 0;  // listings that ended, however they ended
    std::optional<ListingOutcome> lastListing;
    int classChanges = 0;
    std::optional<ClassChangeOutcome> lastClassChange;
    std::vector<std::string> tips;
    bool closed = false;
    bool declined = false;  // a question was answered with "cancel"

    void listingEnded(ListingOutcome outcome) {
        ++listings;
        lastListing = outcome;
    }
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
    void reloadRows(const BrowserRows& r) override {
        rows = r;
        ++record.reloads;
    }
    void showTip(const std::string& key, std::chrono::milliseconds) override {
        record.tips.push_back(key);
    }
    void closeScreen() override { record.closed = true; }
    void listingEnded(ListingOutcome outcome) override { record.listingEnded(outcome); }
    void classChangeEnded(ClassChangeOutcome outcome) override {
        ++record.classChanges;
        record.lastClassChange = outcome;
    }
    void downloadRequestEnded(const std::string& path, DownloadRequestOutcome outcome) override {
        downloadRequests.emplace_back(path, outcome);
    }
    std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>&) override {
        preview = std::make_shared<TerminalQuickLookView>();
        return preview;
    }
    void showPhotoViewer(const std::vector<PhotoItem>& p, std::size_t) override { photos = p; }

    BrowserRows rows;
    std::vector<PhotoItem> photos;
    std::vector<std::pair<std::string, DownloadRequestOutcome>> downloadRequests;
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
    void showTip(const std::string& key, std::chrono::milliseconds) override {
        record.tips.push_back(key);
    }
    void listingEnded(ListingOutcome outcome) override { record.listingEnded(outcome); }
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
    void reloadRunningRows(const std::vector<DownloadRow>& rows) override {
        running = rows;
        bytes.assign(rows.size(), {0, 0});
    }
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
    void setRowBytes(std::size_t row, std::uint64_t received, std::uint64_t total) override {
        if (row < bytes.size())
            bytes[row] = {received, total};
    }
    void showTip(const std::string& key, std::chrono::milliseconds) override {
        record.tips.push_back(key);
    }
    void downloadEnded(const DownloadEnd& end) override { ended.push_back(end); }
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override;

    std::vector<DownloadRow> running;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> bytes;  // received, total per row
    std::vector<FinishedSection> sections;
    std::vector<DownloadEnd> ended;
    ScreenRecord record;

  private:
    const Output& out_;
    bool answerYes_;
};

// Confirmation on a terminal: --yes answers ok, a terminal asks, anything else cancels.
void confirmOnTerminal(const Output& out, bool answerYes, const std::string& key,
                       const std::vector<std::string>& buttons, std::function<void(int)> answer);

}  // namespace pd::cli
