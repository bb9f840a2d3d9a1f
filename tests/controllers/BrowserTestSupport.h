#pragma once
// Shared pieces of the screen tests: recording views, a download service that only records, a
// core controller linked to a scripted computer, and a readable form of the requests the phone
// sends.

#include "NetWork/HttpDownloader.h"
#include "codec/MsgPack.h"
#include "controllers/BrowserServices.h"
#include "controllers/DiskView.h"
#include "controllers/DownloadListView.h"
#include "controllers/FileBrowserView.h"
#include "controllers/FileViewController.h"
#include "controllers/QuickLookView.h"
#include "controllers/QuickLookViewController.h"
#include "core/AuthCore.h"
#include "core/FinishedFileStore.h"
#include "model/ObjectStore.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace pd::test::browser {

inline std::string tipEvent(const std::string& key, long long ms = 1000) {
    return "tip " + key + " " + std::to_string(ms);
}

// A view that records what the user saw, in order, as one line per call. Confirmations wait
// until the test answers them.
template <class View>
struct Recording : View {
    std::vector<std::string> events;
    std::vector<std::function<void(int)>> answers;

    void add(std::string e) { events.push_back(std::move(e)); }
    bool saw(const std::string& e) const { return std::ranges::count(events, e) > 0; }
    void clear() { events.clear(); }
    void answer(int button) {
        ASSERT_FALSE(answers.empty());
        auto a = std::move(answers.front());
        answers.erase(answers.begin());
        a(button);
    }

    void showProgress(const std::string& key) override { add("progress " + key); }
    void hideProgress() override { add("hide progress"); }
    void showTip(const std::string& key, std::chrono::milliseconds d) override {
        add(tipEvent(key, d.count()));
    }
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override {
        std::string text = "ask " + key + ":";
        for (const auto& b : buttons)
            text += (text.back() == ':' ? "" : "|") + b;
        add(text);
        answers.push_back(std::move(answer));
    }
};

inline std::string listingEvent(ListingOutcome o) {
    return std::array{"listed", "listing refused", "listing failed"}[static_cast<int>(o)];
}

struct RecordingQuickLookView : Recording<QuickLookView> {
    void setTitle(const std::string& t) override { add("title " + t); }
    void setIcon(const std::string& i) override { add("icon " + i); }
    void setLoadingText(const std::string& k) override { add("loading " + k); }
    void setProgress(float f, bool) override { add("progress " + std::to_string(f)); }
    void openDocument(const std::string& p) override { add("open " + p); }
    void closeScreen() override { add("close"); }
};

// A screen that presents previews; the test drives the last one and reads its view.
template <class View>
struct PreviewingView : Recording<View> {
    std::shared_ptr<QuickLookViewController> preview;
    std::shared_ptr<RecordingQuickLookView> previewView;

    std::shared_ptr<QuickLookView> presentPreview(
        const std::shared_ptr<QuickLookViewController>& p) override {
        preview = p;
        return previewView = std::make_shared<RecordingQuickLookView>();
    }
    void setTitle(const std::string& t) override { this->add("title " + t); }
    void setEmptyPicture(const std::string& i) override { this->add("empty " + i); }
    void closeScreen() override { this->add("close"); }
};

struct RecordingFileView : PreviewingView<FileBrowserView> {
    std::vector<BrowserRow> rows;
    std::vector<PhotoItem> photos;

    void listingEnded(ListingOutcome o) override { add(listingEvent(o)); }
    void classChangeEnded(ClassChangeOutcome o) override {
        add(std::array{"class added", "class removed", "class failed"}[static_cast<int>(o)]);
    }
    void downloadRequestEnded(const std::string& path, DownloadRequestOutcome o) override {
        add(std::array{"queued ", "refused ", "unusable "}[static_cast<int>(o)] + path);
    }
    void setPathLine(const std::string& t) override { add("path " + t); }
    void reloadRows(const BrowserRows& r) override {
        rows = r.all();
        add("rows " + std::to_string(r.size()));
    }
    void scrollToTop() override { add("top"); }
    void setListVisible(bool v) override { add(v ? "list shown" : "list hidden"); }
    void setRowToggle(std::size_t row, bool on) override {
        add("toggle " + std::to_string(row) + (on ? " on" : " off"));
    }
    void closeSwipeActions() override { add("close swipe"); }
    void showPhotoViewer(const std::vector<PhotoItem>& p, std::size_t start) override {
        photos = p;
        add("photos " + std::to_string(p.size()) + " at " + std::to_string(start));
    }
};

struct RecordingDiskView : Recording<DiskView> {
    std::vector<BrowserRow> rows;
    std::shared_ptr<RecordingFileView> folderView;

    void setTitle(const std::string& t) override { add("title " + t); }
    void setMenu(const std::vector<ClassMenuEntry>& m) override {
        add("menu " + std::to_string(m.size()));
    }
    void setSelectedMenu(std::size_t i) override { add("select " + std::to_string(i)); }
    void reloadRows(const std::vector<BrowserRow>& r) override {
        rows = r;
        add("rows " + std::to_string(r.size()));
    }
    void scrollToTop() override { add("top"); }
    void setListVisible(bool v) override { add(v ? "list shown" : "list hidden"); }
    void setEmptyPicture(const std::string& i) override { add("empty " + i); }
    void setAddFolderButtonVisible(bool v) override { add(v ? "add shown" : "add hidden"); }
    void closeSwipeActions() override { add("close swipe"); }
    std::shared_ptr<FileBrowserView> presentFolderScreen(
        const std::shared_ptr<FileViewController>&) override {
        return folderView = std::make_shared<RecordingFileView>();
    }
    void closeScreen() override { add("close"); }
    void listingEnded(ListingOutcome o) override { add(listingEvent(o)); }
};

struct RecordingDownloadListView : PreviewingView<DownloadListView> {
    std::vector<DownloadEnd> ended;
    std::vector<DownloadRow> running;
    std::vector<FinishedSection> finished;

    void downloadEnded(const DownloadEnd& end) override { ended.push_back(end); }
    void setTabs(const std::vector<std::string>& k) override {
        add("tabs " + k.at(0) + "|" + k.at(1));
    }
    void setSelectedTab(std::size_t i) override { add("tab " + std::to_string(i)); }
    void reloadRunningRows(const std::vector<DownloadRow>& r) override {
        running = r;
        add("running " + std::to_string(r.size()));
    }
    void reloadFinishedSections(const std::vector<FinishedSection>& s) override {
        finished = s;
        add("finished " + std::to_string(s.at(0).rows.size()) + "+" +
            std::to_string(s.at(1).rows.size()));
    }
    void setTableVisible(bool v) override { add(v ? "table shown" : "table hidden"); }
    void setRowProgress(std::size_t row, float p, bool) override {
        add("bar " + std::to_string(row) + " " + std::to_string(p));
    }
    void setRowProgressText(std::size_t row, const std::string& t) override {
        add("text " + std::to_string(row) + " " + t);
    }
    void setRowStatus(std::size_t row, int s) override {
        add("status " + std::to_string(row) + " " + std::to_string(s));
    }
};

// A download service that only records what it was asked, on the main queue.
struct RecordingDownloader : HttpDownloader {
    std::vector<std::string> calls;
    void downLoadWithURL(const std::string& url, const std::string& toPath, const std::string&,
                         const std::string& filePath, ListedFile file) override {
        calls.push_back("kept " + filePath + " -> " + toPath + " " + url + " " +
                        std::to_string(file.size));
    }
    void downLoadWithURLV2(const std::string& url, const std::string& toPath,
                           std::weak_ptr<DownloadServiceDelegate>, ListedFile) override {
        calls.push_back("preview " + toPath + " " + url);
    }
    void pauseDownload(const std::string& url) override { calls.push_back("pause " + url); }
    void stopPreview(const std::string& url) override { calls.push_back("stop preview " + url); }
};

// "code: element element ..." with texts quoted, for comparing requests.
inline std::string describe(const ReceivedFrame& frame) {
    std::string out = std::to_string(frame.code) + ":";
    const auto decoded = msg::decode(frame.body);
    for (std::uint32_t i = 0; decoded && i < decoded->root().size(); ++i) {
        const msg::View e = decoded->root()[i];
        out += e.asRaw() ? " \"" + std::string(*e.asRaw()) + "\""
                         : " " + std::to_string(e.asInt64().value_or(-1));
    }
    return out;
}

// Every test: its own home, a clean core controller, a recording download service and the
// statistics the screens submit.
class BrowserTest : public TempHome {
  protected:
    void SetUp() override {
        core().resetForTests();
        core().pcName = "OFFICE-PC";
        core().deviceTag = "TAG";
        previousDownloader_ = httpDownloader();
        setHttpDownloader(&downloader);
    }
    void TearDown() override {
        core().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
        setHttpDownloader(previousDownloader_);
    }
    static AuthCore& core() { return AuthCore::ShareInstance(); }
    BrowserServices services() {
        return {core(), finishedStore, [this](int n) { stats.push_back(n); }};
    }

    // Links the core controller to `pc` and waits for the accepted handshake.
    void link(ScriptedComputer& pc) {
        core().serverIp = "127.0.0.1";
        core().port = pc.port();
        core().httpPort = 8080;
        core().ConnetctPcServer(1);
        ASSERT_TRUE(pc.accept());
        ASSERT_TRUE(pc.readMessage());
        pc.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
        ASSERT_TRUE(pumpMainUntil([] { return core().hasAcceptedLink(); }));
    }
    // The next request the phone sent, described. Pumps the main queue while it waits, since
    // answers reach the screens there and may lead to the request.
    static std::string nextRequest(ScriptedComputer& pc) {
        auto frame = std::async(std::launch::async, [&pc] { return pc.readMessage(); });
        pumpMainUntil(
            [&] { return frame.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        auto received = frame.get();
        return received ? describe(*received) : "nothing";
    }
    // Fills the core controller's rows and tells its delegate, as an answered listing does.
    static void answerList(std::vector<DirAndFileListData> rows) {
        auto d = core().delegate();
        ASSERT_TRUE(d);
        d->AuthCoreListSucess(std::make_shared<const std::vector<DirAndFileListData>>(rows));
    }

    FinishedFileStore finishedStore{ObjectStore::shared(), NotificationCenter::defaultCenter(),
                                    [] { return core().deviceTag; }};
    RecordingDownloader downloader;
    std::vector<int> stats;

  private:
    HttpDownloader* previousDownloader_ = nullptr;
};

inline DirAndFileListData row(const std::string& name, int isDir, std::uint64_t size = 0,
                              std::uint64_t modifyTime = 0, const std::string& desc = "") {
    DirAndFileListData r;
    r.name = name;
    r.isDir = isDir;
    r.size = size;
    r.modifyTime = modifyTime;
    r.desc = desc;
    return r;
}

}  // namespace pd::test::browser
