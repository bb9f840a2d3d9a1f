#include "app/UsageReports.h"

#include "core/Settings.h"
#include "platform/Log.h"
#include "services/OnlineReport.h"

namespace pd {

bool startUsageReports(const Settings& settings, OnlineReport& client) {
    const auto text = settings.reportHost();
    if (!text) {
        PD_LOG_DEBUG("usage reports are off");
        return false;
    }
    const auto dispatcher = report::parseReportHost(*text);
    if (!dispatcher) {
        PD_LOG_WARN("usage reports are off: '{}' is not HOST[:PORT]", *text);
        return false;
    }
    return client.ConnectOnlineServer(*dispatcher);
}

}  // namespace pd
