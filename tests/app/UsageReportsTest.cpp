// Start-up of the usage report client from the `report-host` setting.

#include "app/UsageReports.h"
#include "core/Settings.h"
#include "platform/UserDefaults.h"
#include "services/OnlineReport.h"
#include "support/TempHome.h"
#include "support/UdpPeer.h"

#include <gtest/gtest.h>

namespace pd {
namespace {

class CountingEdges : public ReportEdges {
  public:
    int openSocket(std::chrono::milliseconds timeout) override {
        ++opens;
        return ReportEdges::openSocket(timeout);
    }
    std::optional<in_addr> resolve(const std::string& host) override {
        ++resolves;
        return host == "127.0.0.1" ? ReportEdges::resolve(host) : std::nullopt;
    }
    std::atomic<int> opens{0};
    std::atomic<int> resolves{0};
};

class UsageReportsStartup : public TempHome {
  protected:
    std::shared_ptr<CountingEdges> edges = std::make_shared<CountingEdges>();
    OnlineReport client{edges, report::ReportIdentity{"0123456789ABCDEF", "FEDCBA9876543210", 1}};
};

TEST_F(UsageReportsStartup, OffUnlessTheSettingNamesADispatcher) {
    Settings settings = Settings::standard();
    EXPECT_FALSE(startUsageReports(settings, client));
    settings.setReportHost("not a host");  // written by hand into the store
    EXPECT_FALSE(startUsageReports(settings, client));
    EXPECT_FALSE(client.started());
    EXPECT_EQ(edges->resolves, 0);
    EXPECT_EQ(edges->opens, 0);
}

TEST_F(UsageReportsStartup, StartsAgainstTheConfiguredDispatcher) {
    test::UdpPeer dispatcher;
    Settings settings = Settings::standard();
    settings.setReportHost("127.0.0.1:" + std::to_string(dispatcher.port()));
    EXPECT_TRUE(startUsageReports(settings, client));
    const auto request = dispatcher.receive();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->size(), report::kServerInfoRequestSize);
    EXPECT_EQ(edges->opens, 1);

    // Cleared with an empty value: the next start stays silent.
    settings.setReportHost("");
    EXPECT_FALSE(settings.reportHost());
}

}  // namespace
}  // namespace pd
