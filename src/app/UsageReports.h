#pragma once
// Start-up of the usage report client: on only when the `report-host` setting names a
// dispatcher. The setting is read once, at launch; a change takes effect at the next start.

namespace pd {

class OnlineReport;
class Settings;

// Starts `client` against the dispatcher of the setting; false, with nothing resolved or
// opened, when the setting is absent or malformed.
bool startUsageReports(const Settings& settings, OnlineReport& client);

}  // namespace pd
