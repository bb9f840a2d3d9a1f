// The feedback screen against a feedback service on 127.0.0.1: the signed form field exactly,
// and what the user sees when it is accepted, refused, unreachable or not configured.

#include "controllers/FeedbackViewController.h"
#include "core/FormPost.h"
#include "services/FeedbackForm.h"
#include "services/UpgradeDevInfo.h"
#include "support/FormService.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace pd {
namespace {

using namespace std::chrono_literals;

class RecordingFeedbackView : public FeedbackView {
  public:
    void showProgress(const std::string& key) override { events.push_back("progress " + key); }
    void hideProgress() override { events.push_back("hide progress"); }
    void showTip(const std::string& key, std::chrono::milliseconds) override {
        events.push_back("tip " + key);
    }
    void setNetworkActivity(bool on) override { events.push_back(on ? "activity" : "no activity"); }
    void feedbackEnded(FeedbackOutcome o, const std::string& why) override {
        outcome = o;
        reason = why;
    }
    void closeScreen() override { events.push_back("close"); }

    std::vector<std::string> events;
    std::optional<FeedbackOutcome> outcome;
    std::string reason;
};

using FeedbackService = test::FormService;

class FeedbackScreenTest : public ::testing::Test {
  protected:
    std::shared_ptr<FeedbackViewController> screen(std::optional<std::string> url) {
        FeedbackViewController::Services services;
        services.url = std::move(url);
        services.poster = std::make_shared<CurlFormPoster>();
        services.identity = {"0123456789ABCDEF", UpgradeDevInfo::PlatformStringFor("iPhone6,1"),
                             "1.0.2.3"};
        auto s = std::make_shared<FeedbackViewController>(view, std::move(services));
        s->viewDidLoad();
        return s;
    }
    bool ended() {
        return pumpMainUntil([this] { return view->outcome.has_value(); }, 15s);
    }

    std::shared_ptr<RecordingFeedbackView> view = std::make_shared<RecordingFeedbackView>();
};

TEST_F(FeedbackScreenTest, PostsOneSignedJsondataFieldAndClosesWhenAccepted) {
    FeedbackService service(200);
    auto s = screen(service.url());
    s->NvSendFeed("slow", "me@example.org");
    ASSERT_TRUE(ended());
    EXPECT_EQ(view->outcome, FeedbackOutcome::Sent);
    EXPECT_EQ(view->events, (std::vector<std::string>{"activity", "progress comments submitting",
                                                      "no activity", "hide progress", "close"}));

    EXPECT_EQ(service.contentType(), "application/x-www-form-urlencoded");
    const auto fields = service.fields();
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].first, "jsondata");
    EXPECT_EQ(nlohmann::json::parse(fields[0].second),
              (nlohmann::json{{"AppID", "5"},
                              {"PCID", "0123456789ABCDEF-000000000000000"},
                              {"Feed", "[iPhone 5s (GSM)]slow"},
                              {"Version", "1.0.2.3"},
                              {"Code", "b284ed19471d017343fb7a4e3231e43a"},
                              {"Type", "2"},
                              {"Contact", "me@example.org"}}));
}

TEST_F(FeedbackScreenTest, AFeedbackThatFailsSaysSoAndKeepsTheScreen) {
    FeedbackService refusing(500);
    std::string closedUrl;
    {
        FeedbackService gone(200);
        closedUrl = gone.url();
    }
    const struct {
        const char* name;
        std::string url;
        const char* reasonHas;
    } cases[] = {
        {"refused", refusing.url(), "HTTP 500"},
        {"nobody listening", closedUrl, "onnect"},
    };
    for (const auto& c : cases) {
        view = std::make_shared<RecordingFeedbackView>();
        auto s = screen(c.url);
        s->NvSendFeed("text & more = fine?", "");
        ASSERT_TRUE(ended()) << c.name;
        EXPECT_EQ(view->outcome, FeedbackOutcome::Failed) << c.name;
        EXPECT_NE(view->reason.find(c.reasonHas), std::string::npos)
            << c.name << ": " << view->reason;
        EXPECT_EQ(view->events.back(), "tip feedback failed") << c.name;
        EXPECT_FALSE(s->sending()) << c.name;
    }
    EXPECT_EQ(refusing.requests(), 1);
}

TEST_F(FeedbackScreenTest, NothingIsSentWithoutATextOrAnAddress) {
    FeedbackService service(200);
    auto s = screen(service.url());
    s->NvSendFeed("", "me@example.org");
    EXPECT_EQ(view->outcome, FeedbackOutcome::Empty);
    EXPECT_EQ(view->events, std::vector<std::string>{"tip not fill feedback"});

    view = std::make_shared<RecordingFeedbackView>();
    auto off = screen(std::nullopt);
    EXPECT_FALSE(off->configured());
    off->NvSendFeed("hello", "");
    EXPECT_EQ(view->outcome, FeedbackOutcome::NotConfigured);
    EXPECT_EQ(view->events, (std::vector<std::string>{"tip feedback not configured",
                                                      "tip feedback not configured"}));
    EXPECT_EQ(service.requests(), 0);
}

TEST(FeedbackForm, OnlyHttpAddressesAreFeedbackUrls) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"http://127.0.0.1:8080/Client/FeedBack.ashx", true},
        {"https://127.0.0.1/", true},
        {"http://127.0.0.1", true},
        {"ftp://127.0.0.1/", false},
        {"http://", false},
        {"http:///path", false},
        {"http://127.0.0.1/a b", false},
        {"127.0.0.1/Client", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(feedback::isFeedbackUrl(c.text), c.ok) << c.text;
    }
}

}  // namespace
}  // namespace pd
