#pragma once
// The application's top-level screens on a terminal: the server list and the tabs. It keeps
// what a command waits for (whether the link closed) and decides nothing.

#include "Output.h"
#include "TerminalBackupView.h"
#include "TerminalBrowserViews.h"
#include "TerminalMoreView.h"
#include "TerminalPanelView.h"
#include "TerminalServerView.h"

#include "app/AppView.h"
#include "app/MainTabBarView.h"
#include "controllers/MoreTableViewController.h"

#include <memory>

namespace pd::cli {

class TerminalTabsView : public MainTabBarView {
  public:
    TerminalTabsView(const Output& out, bool answerYes) : out_(out), answerYes_(answerYes) {}
    std::shared_ptr<DiskView> presentFileManager(
        const std::shared_ptr<DiskViewController>&) override {
        disk = std::make_shared<TerminalDiskView>(out_, answerYes_);
        return disk;
    }
    std::shared_ptr<BackFileView> presentBackup(
        const std::shared_ptr<BackFileViewController>&) override {
        if (!backup) {
            backup = std::make_shared<TerminalBackupView>(out_, drawsBars);
        }
        return backup;
    }
    std::shared_ptr<IntelligentView> presentRemoteControl(
        const std::shared_ptr<IntelligentViewController>&) override {
        if (!panel) {
            panel = std::make_shared<TerminalPanelView>(out_, answerYes_);
        }
        return panel;
    }
    void closeTabs() override { closed = true; }

    std::shared_ptr<TerminalDiskView> disk;
    std::shared_ptr<TerminalBackupView> backup;
    std::shared_ptr<TerminalPanelView> panel;
    bool drawsBars = false;  // progress bars on stderr (a terminal, output for people)
    bool closed = false;

  private:
    const Output& out_;
    bool answerYes_;
};

class TerminalAppView : public AppView {
  public:
    TerminalAppView(const Output& out, bool answerYes, bool askForCode)
        : server(std::make_shared<TerminalServerView>(out, answerYes, askForCode)),
          out_(out),
          answerYes_(answerYes) {}

    std::shared_ptr<ServerView> presentServerList(
        const std::shared_ptr<ServerViewController>& screen) override {
        server->setController(screen);
        return server;
    }
    std::shared_ptr<MainTabBarView> presentMainTabs(
        const std::shared_ptr<MainTabBarViewController>&) override {
        linkClosed = false;
        tabs = std::make_shared<TerminalTabsView>(out_, answerYes_);
        return tabs;
    }
    void showServerList() override { linkClosed = true; }
    std::shared_ptr<MoreView> presentMore(
        const std::shared_ptr<MoreTableViewController>& screen) override {
        moreScreen = screen;
        more = std::make_shared<TerminalMoreView>();
        return more;
    }

    // Said on stderr as it happens: a command keeps waiting meanwhile.
    void showLinkRecovery(const LinkRecoveryState& state) override {
        using Phase = LinkRecoveryState::Phase;
        const char* phase = state.phase == Phase::Reconnecting ? "reconnecting"
                            : state.phase == Phase::Restored   ? "reconnected"
                                                               : "reconnect_failed";
        std::string text;
        switch (state.phase) {
            case Phase::Reconnecting:
                text = "the link to " + state.pcName + " dropped; reconnecting (attempt " +
                       std::to_string(state.attempt) + ")…";
                break;
            case Phase::Restored:
                text = "reconnected to " + state.pcName + ": " + state.detail;
                break;
            case Phase::GaveUp:
                text = "could not reconnect to " + state.pcName + ": " + state.detail;
                break;
        }
        out_.event({{"event", phase},
                    {"computer", state.pcName},
                    {"attempt", state.attempt},
                    {"detail", state.detail}},
                   text);
    }

    TerminalDiskView* diskView() const { return tabs ? tabs->disk.get() : nullptr; }

    std::shared_ptr<TerminalServerView> server;
    std::shared_ptr<TerminalTabsView> tabs;
    std::shared_ptr<MoreTableViewController> moreScreen;
    std::shared_ptr<TerminalMoreView> more;
    bool linkClosed = false;

  private:
    const Output& out_;
    bool answerYes_;
};

}  // namespace pd::cli
