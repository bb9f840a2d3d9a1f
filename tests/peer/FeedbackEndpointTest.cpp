// The peer's stand-in feedback service: what it reads from the phone's form POST, and its
// HTTP server on 127.0.0.1 with its limits.

#include "FeedbackEndpoint.h"
#include "services/FeedbackForm.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace pd::peer {
namespace {

const feedback::FeedbackIdentity kWho{"0123456789ABCDEF", "iPhone 5s (GSM)", "1.0.2.3"};

std::string phoneBody(const std::string& text) {
    return feedback::formBody(feedback::jsonData(kWho, text, "me@example.org"));
}

TEST(FeedbackPost, DecodesTheFieldAndChecksItsSignature) {
    std::string forged = feedback::jsonData(kWho, "hi", "");
    forged.replace(forged.find(R"("Code":")") + 8, 4, "0000");
    struct Case {
        std::string body;
        bool decoded;
        bool codeOk;
        std::string reason;
    };
    const Case cases[] = {
        {phoneBody("slow & steady = 100%"), true, true, ""},
        {"a=1&" + phoneBody("slow") + "&b=2", true, true, ""},
        {feedback::formBody(forged), true, false, ""},
        {"jsondata=%7B%7D", true, false, ""},  // no PCID, no Code
        {"", false, false, "no jsondata field"},
        {"json=%7B%7D", false, false, "no jsondata field"},
        {"jsondata=%zz", false, false, "jsondata is not percent-escaped UTF-8"},
        {"jsondata=%FF", false, false, "jsondata is not percent-escaped UTF-8"},
        {"jsondata=5", false, false, "jsondata is not a JSON object"},
        {"jsondata", false, false, "jsondata is not a JSON object"},
    };
    for (const Case& c : cases) {
        const auto event = describeFeedbackPost("/Client/FeedBack.ashx", c.body);
        EXPECT_EQ(event["event"], "feedback");
        EXPECT_EQ(event["bytes"], c.body.size());
        EXPECT_EQ(!event["jsondata"].is_null(), c.decoded) << c.body;
        EXPECT_EQ(event["code_ok"], c.codeOk) << c.body;
        EXPECT_EQ(event.value("reason", ""), c.reason) << c.body;
    }
    const auto sent = describeFeedbackPost("/", phoneBody("slow & steady = 100%"));
    EXPECT_EQ(sent["jsondata"]["Feed"], "[iPhone 5s (GSM)]slow & steady = 100%");
    EXPECT_EQ(sent["jsondata"]["PCID"], "0123456789ABCDEF-000000000000000");
    EXPECT_EQ(sent["jsondata"]["Contact"], "me@example.org");
}

class FeedbackEndpointTest : public ::testing::Test {
  protected:
    void SetUp() override {
        endpoint_ = FeedbackEndpoint::start("127.0.0.1", 0, [this](const auto& e) {
            std::lock_guard lock(mutex_);
            printed_.push_back(e);
        });
        ASSERT_TRUE(endpoint_);
        client_ = std::make_unique<httplib::Client>("127.0.0.1", endpoint_->port());
        client_->set_read_timeout(5, 0);
    }
    std::vector<nlohmann::ordered_json> printed() {
        std::lock_guard lock(mutex_);
        return printed_;
    }
    int post(const std::string& path, const std::string& body) {
        const auto result = client_->Post(path, body, "application/x-www-form-urlencoded");
        return result ? result->status : -1;
    }

    std::mutex mutex_;
    std::vector<nlohmann::ordered_json> printed_;
    std::unique_ptr<FeedbackEndpoint> endpoint_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(FeedbackEndpointTest, TakesThePhonesPostAndRefusesWhatItDoesNotTake) {
    const std::string atLimit = "jsondata=" + std::string(FeedbackEndpoint::kMaxBodyBytes - 9, 'x');
    struct Case {
        std::string method;
        std::string body;
        int status;
        const char* event;
    };
    const Case cases[] = {
        {"POST", phoneBody("it works"), 200, "feedback"},
        {"POST", atLimit, 200, "feedback"},
        {"POST", atLimit + "x", 413, "feedback_refused"},
        {"GET", "", 405, "feedback_refused"},
    };
    for (const Case& c : cases) {
        const std::size_t before = printed().size();
        const int status = c.method == "GET" ? client_->Get("/Client/FeedBack.ashx")->status
                                             : post("/Client/FeedBack.ashx", c.body);
        EXPECT_EQ(status, c.status) << c.method << " " << c.body.size();
        ASSERT_TRUE(test::waitFor([&] { return printed().size() == before + 1; }));
        const auto event = printed().back();
        EXPECT_EQ(event["event"], c.event);
        EXPECT_EQ(event["path"], "/Client/FeedBack.ashx");
        if (c.status != 200) {
            EXPECT_EQ(event["status"], c.status);
        }
    }
    EXPECT_EQ(printed()[0]["code_ok"], true);
    EXPECT_EQ(printed()[0]["jsondata"]["Feed"], "[iPhone 5s (GSM)]it works");
}

TEST(FeedbackEndpoint, ATakenPortIsAnError) {
    auto first = FeedbackEndpoint::start("127.0.0.1", 0, nullptr);
    ASSERT_TRUE(first);
    EXPECT_FALSE(FeedbackEndpoint::start("127.0.0.1", first->port(), nullptr));
    EXPECT_FALSE(FeedbackEndpoint::start("nowhere", 0, nullptr));
}

}  // namespace
}  // namespace pd::peer
