// `pocketdesk settings` for the phone files and the report and feedback services, and `pocketdesk
// feedback` against a feedback service on 127.0.0.1.

#include "CliRun.h"
#include "support/FormService.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>
#include <regex>

namespace pd {
namespace {

class CliSettingsFeedback : public TempHome {
  protected:
    test::Ran run(std::vector<std::string> args) {
        args.push_back("--home");
        args.push_back(home().string());
        return test::runCli(std::move(args), home());
    }
};

TEST_F(CliSettingsFeedback, ServiceSettingsAreSetShownRefusedAndCleared) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;  // expected in stdout, or in stderr for a refusal
    } steps[] = {
        {{"settings", "report-host"}, 0, "report-host  off"},
        {{"settings", "report-host", "127.0.0.1:9"}, 0, "report-host  127.0.0.1:9"},
        {{"settings", "report-host", "no such host!"}, 2, "is not HOST[:PORT]"},
        {{"settings", "report-host"}, 0, "report-host  127.0.0.1:9"},
        {{"settings", "report-host", ""}, 0, "report-host  off"},
        {{"settings", "feedback-url", "http://127.0.0.1:9/f"},
         0,
         "feedback-url  http://127.0.0.1:9/f"},
        {{"settings", "feedback-url", "ftp://127.0.0.1/"}, 2, "is not an http:// or https://"},
        {{"settings", "feedback-url", "off"}, 0, "feedback-url  off"},
        {{"settings", "phone-files", ""}, 2, "is not a value of phone-files"},
        {{"settings", "phone-files", "maybe"}, 2, "give on, off"},
        {{"settings", "volume"}, 2, "settings: phone-files"},
        {{"settings", "phone-files", "off"}, 0, "phone-files  off\n"},
        {{"settings", "phone-files"}, 0, "phone-files  off"},
    };
    for (const auto& s : steps) {
        const test::Ran r = run(s.args);
        EXPECT_EQ(r.status, s.status) << s.args.back() << "\n" << r.err;
        EXPECT_NE((s.status == 0 ? r.out : r.err).find(s.out), std::string::npos)
            << s.args.back() << "\nout: " << r.out << "\nerr: " << r.err;
        EXPECT_TRUE(s.status == 0 || r.out.empty()) << r.out;
    }
    // The listing's columns are as wide as the longest setting's name.
    EXPECT_TRUE(std::regex_search(run({"settings"}).out, std::regex("(^|\n)phone-files +off ")));
    EXPECT_NE(run({"settings", "report-host", "127.0.0.1"}).err.find("next start"),
              std::string::npos);
}

TEST_F(CliSettingsFeedback, FeedbackExitsByOutcome) {
    test::FormService service(200, "/f");

    const test::Ran off = run({"feedback", "hello"});
    EXPECT_EQ(off.status, 2);
    EXPECT_NE(off.err.find("not configured"), std::string::npos) << off.err;

    ASSERT_EQ(run({"settings", "feedback-url", service.url()}).status, 0);
    const test::Ran sent = run({"feedback", "hello", "--contact", "me"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_NE(sent.out.find("feedback sent"), std::string::npos);
    service.answerWith(503);
    const test::Ran refused = run({"feedback", "hello"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("HTTP 503"), std::string::npos) << refused.err;
    EXPECT_EQ(service.requests(), 2);
    EXPECT_EQ(service.fields().at(0).first, "jsondata");
}

}  // namespace
}  // namespace pd
