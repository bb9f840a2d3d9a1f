// The More screen and what it opens, against a real peer: its rows and cache clearing, the
// phone-file switch, About, feedback against a feedback service on 127.0.0.1, the settings
// page, and the banner shown while a dropped link is restored.

#include "GuiFixture.h"

#include "GuiApp.h"
#include "MoreAdapter.h"
#include "NetWork/DownloadPaths.h"
#include "app/AppView.h"
#include "core/Settings.h"
#include "platform/Localization.h"
#include "support/WaitFor.h"

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

namespace pd::gui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A feedback service on 127.0.0.1 that accepts every request and counts them.
class FeedbackService {
  public:
    FeedbackService() {
        server_.Post("/Client/FeedBack.ashx",
                     [this](const httplib::Request&, httplib::Response&) { ++requests_; });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        waitFor([this] { return server_.is_running(); });
    }
    ~FeedbackService() {
        server_.stop();
        thread_.join();
    }
    std::string url() const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/Client/FeedBack.ashx";
    }
    int requests() const { return requests_; }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<int> requests_{0};
};

class GuiMore : public GuiAgainstPeer {
  protected:
    // Connected, on the drives.
    void openTabs() {
        startPeer({"--code", "246810", "--name", "STUDY-PC"});
        GuiOptions options;
        options.pc = address();
        options.code = "246810";
        open(options);
        ASSERT_NE(ui->waitFor("diskRow_0"), nullptr);
    }
    // Connected, with More opened from the file manager's bar.
    void openMore() {
        openTabs();
        ASSERT_TRUE(ui->click("moreButton"));
        ASSERT_NE(ui->waitFor("moreRow_0"), nullptr);
    }
    MoreAdapter& more() const { return *app->moreScreen(); }
    // Writes the text into a field as the user would leave it.
    void fill(const QString& field, const QString& text) const {
        QQuickItem* item = ui->waitFor(field);
        ASSERT_NE(item, nullptr) << field.toStdString();
        item->setProperty("text", text);
    }
};

TEST_F(GuiMore, TheRowsShowTheCacheSizeAndClearingAsksThenShowsWhatWasFreed) {
    openTabs();
    const fs::path cache = previewCacheFolder();
    fs::create_directories(cache);
    std::ofstream(cache / "preview.jpg") << std::string(1572864, 'x');
    ASSERT_TRUE(ui->click("moreButton"));

    EXPECT_EQ(textOf("moreTitle"), displayText("more"));
    const char* keys[] = {"computer list", "clear cache",   "about",
                          "phone files",   "send feedback", "home page"};
    for (const char* key : keys) {
        EXPECT_NE(ui->waitForText(displayText(key)), nullptr) << key;
    }
    EXPECT_EQ(countItems(ui->window().contentItem(), "moreRow_"), 6);
    EXPECT_NE(ui->find("settingsRow"), nullptr);
    ASSERT_TRUE(ui->waitUntil([&] { return textOf("cacheSize") == "1 MB"; }));

    // Cancelled, nothing goes; confirmed, the size and the tip say what was freed.
    ASSERT_TRUE(ui->click("moreRow_3"));
    EXPECT_EQ(app->overlay()->property("question").toString(), displayText("sure clear cache"));
    ASSERT_TRUE(ui->click("answer_0"));
    EXPECT_TRUE(fs::exists(cache / "preview.jpg"));
    EXPECT_FALSE(more().cleared().has_value());

    ASSERT_TRUE(ui->click("moreRow_3"));
    ASSERT_TRUE(ui->click("answer_1"));
    ASSERT_TRUE(ui->waitUntil([&] { return more().cleared().has_value(); }));
    EXPECT_EQ(more().cleared(), CacheClearOutcome::Cleared);
    EXPECT_EQ(more().freedBytes(), 1572864u);
    EXPECT_EQ(textOf("tipText"), displayText("clean finish") + ":1 MB");
    EXPECT_EQ(textOf("cacheSize"), "0 MB");
    EXPECT_FALSE(fs::exists(cache / "preview.jpg"));

    // Nothing left: no question, the tip says there is nothing to clear.
    ASSERT_TRUE(ui->click("moreRow_3"));
    EXPECT_TRUE(
        ui->waitUntil([&] { return more().cleared() == CacheClearOutcome::NothingToClear; }));
    EXPECT_EQ(ui->find("question"), nullptr);

    // Back leaves More for the drives, the link untouched.
    ASSERT_TRUE(ui->click("moreBack"));
    EXPECT_TRUE(ui->waitUntil([&] { return app->moreScreen() == nullptr; }));
    EXPECT_NE(ui->waitFor("diskRow_0"), nullptr);
}

TEST_F(GuiMore, ThePhoneFileSwitchAndTheSettingsPageStoreWhatTheyShow) {
    openMore();
    ASSERT_TRUE(Settings::standard().phoneFilesOn());
    ASSERT_TRUE(ui->click("phoneFilesSwitch"));
    EXPECT_TRUE(ui->waitUntil([] { return !Settings::standard().phoneFilesOn(); }));
    ASSERT_TRUE(ui->click("moreRow_2"));  // the row itself turns it back on
    EXPECT_TRUE(ui->waitUntil([] { return Settings::standard().phoneFilesOn(); }));

    ASSERT_TRUE(ui->click("settingsRow"));
    const QString names[] = {"phone-files", "report-host", "feedback-url", "photo-folder"};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(textOf("settingName_" + QString::number(row)), names[row]);
    }
    EXPECT_EQ(ui->find("settingField_0"), nullptr);   // on/off: a switch
    EXPECT_EQ(ui->find("settingSwitch_1"), nullptr);  // free-form: a field

    // A refused address is said and not stored; an accepted one is stored, with its note.
    fill("settingField_1", "not a host:99999");
    ASSERT_TRUE(ui->click("settingSave_1"));
    EXPECT_TRUE(textOf("settingProblem_1").contains("is not HOST[:PORT]"));
    EXPECT_FALSE(Settings::standard().reportHost().has_value());
    fill("settingField_1", "127.0.0.1:8200");
    ASSERT_TRUE(ui->click("settingSave_1"));
    EXPECT_EQ(Settings::standard().reportHost(), "127.0.0.1:8200");
    EXPECT_EQ(ui->find("settingProblem_1"), nullptr);
    EXPECT_TRUE(textOf("settingNote_1").contains("next start"));

    // The switch here is the one on More.
    ASSERT_TRUE(ui->click("settingSwitch_0"));
    EXPECT_FALSE(Settings::standard().phoneFilesOn());
    ASSERT_TRUE(ui->click("settingsBack"));
    QQuickItem* onMore = ui->waitFor("phoneFilesSwitch");
    ASSERT_NE(onMore, nullptr);
    EXPECT_FALSE(onMore->property("checked").toBool());
}

TEST_F(GuiMore, AboutNamesOnlyTheProjectsPageAndSaysWhatTheLinkDoesNotProtect) {
    openMore();
    ASSERT_TRUE(ui->click("moreRow_4"));
    ASSERT_NE(ui->waitFor("aboutRow_0"), nullptr);
    EXPECT_EQ(textOf("aboutTitle"), displayText("about"));
    const int rows = countItems(ui->window().contentItem(), "aboutRow_");
    QStringList addresses;
    bool security = false;
    for (int row = 0; row < rows; ++row) {
        const QString text = textOf("aboutText_" + QString::number(row));
        if (text.contains("://") || text.contains('@')) {
            addresses << text;
        }
        security = security || text == displayText("about link");
    }
    EXPECT_EQ(addresses, QStringList{"https://pocketdesk.example.org"});
    EXPECT_TRUE(security);

    // Only the address row opens something; the others only inform.
    for (int row = 0; row < rows; ++row) {
        ASSERT_TRUE(ui->click("aboutRow_" + QString::number(row)));
    }
    EXPECT_EQ(openedLinks, QStringList{"https://pocketdesk.example.org"});
    ASSERT_TRUE(ui->click("aboutBack"));
    ASSERT_TRUE(ui->click("moreRow_7"));  // the project's page, from More itself
    EXPECT_EQ(openedLinks.size(), 2);
    EXPECT_EQ(openedLinks.back(), "https://pocketdesk.example.org");
}

TEST_F(GuiMore, FeedbackSaysWhenItIsOffOrFailedKeepingTheTextAndClosesWhenSent) {
    openMore();
    // No address set: the screen says so and cannot send.
    ASSERT_TRUE(ui->click("moreRow_5"));
    ASSERT_NE(ui->waitFor("feedbackNotice"), nullptr);
    EXPECT_FALSE(ui->find("sendFeedback")->isEnabled());
    EXPECT_EQ(ui->find("feedbackComment")->property("placeholderText").toString(),
              displayText("welcomes feedback"));
    ASSERT_TRUE(ui->click("feedbackBack"));

    // A service that is gone: the failure is said, the screen and its text stay.
    std::string closedUrl;
    {
        FeedbackService gone;
        closedUrl = gone.url();
    }
    Settings::standard().setFeedbackUrl(closedUrl);
    ASSERT_TRUE(ui->click("moreRow_5"));
    ASSERT_NE(ui->waitFor("sendFeedback"), nullptr);
    EXPECT_EQ(ui->find("feedbackNotice"), nullptr);
    fill("feedbackComment", "The folder list is slow");
    fill("feedbackContact", "me@example.org");
    ASSERT_TRUE(ui->click("sendFeedback"));
    ASSERT_TRUE(ui->waitUntil([&] { return !textOf("feedbackStatus").isEmpty(); }, 30s));
    EXPECT_TRUE(textOf("feedbackStatus").startsWith(displayText("feedback failed")));
    EXPECT_EQ(more().feedback()->outcome(), FeedbackOutcome::Failed);
    EXPECT_EQ(textOf("feedbackComment"), "The folder list is slow");
    EXPECT_EQ(textOf("feedbackContact"), "me@example.org");
    ASSERT_TRUE(ui->click("feedbackBack"));

    // A service that answers: sent once, and the screen closes back to More.
    FeedbackService service;
    Settings::standard().setFeedbackUrl(service.url());
    ASSERT_TRUE(ui->click("moreRow_5"));
    fill("feedbackComment", "Works well");
    ASSERT_TRUE(ui->click("sendFeedback"));
    ASSERT_TRUE(ui->waitUntil([&] { return more().feedback() == nullptr; }, 30s));
    EXPECT_EQ(service.requests(), 1);
    EXPECT_NE(ui->waitFor("moreRow_5"), nullptr);
}

TEST_F(GuiMore, TheBannerShowsWhileReconnectingThenWhatWasRestoredAndGoes) {
    openTabs();
    using Phase = LinkRecoveryState::Phase;
    AppView& view = app->appView();
    view.showLinkRecovery({Phase::Reconnecting, 1, "STUDY-PC", ""});
    view.showLinkRecovery({Phase::Reconnecting, 2, "STUDY-PC", ""});
    EXPECT_EQ(textOf("linkBannerText"), "Reconnecting to STUDY-PC… (attempt 2)");
    EXPECT_NE(ui->find("diskRow_0"), nullptr);  // over the page, which stays

    view.showLinkRecovery({Phase::Restored, 2, "STUDY-PC", "2 downloads resume"});
    EXPECT_EQ(textOf("linkBannerText"), "Reconnected: 2 downloads resume");
    EXPECT_TRUE(ui->waitUntil([&] { return ui->find("linkBanner") == nullptr; }));

    // Given up: no banner, a tip says so.
    view.showLinkRecovery({Phase::Reconnecting, 1, "STUDY-PC", ""});
    view.showLinkRecovery({Phase::GaveUp, 5, "STUDY-PC", ""});
    EXPECT_EQ(ui->find("linkBanner"), nullptr);
    EXPECT_EQ(textOf("tipText"), "Could not reconnect to STUDY-PC");
}

}  // namespace
}  // namespace pd::gui
