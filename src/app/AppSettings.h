#pragma once
// The settings a user may change, one row each, for front-ends that list and change them by
// name. A new setting is one more row in appSettings().

#include <functional>
#include <string>
#include <vector>

namespace pd {

struct SettingRow {
    std::string name;                 // as a front-end's user types it, e.g. "phone-files"
    std::string description;          // one line
    std::vector<std::string> values;  // the accepted values, e.g. {"on", "off"}; empty: any text
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;  // with an accepted value; stored at once
    // For a free-form setting (then `values` only describes it): why a value is refused, or
    // empty when it is accepted. Unset: exactly `values` are accepted.
    std::function<std::string(const std::string&)> problem = {};
    // Said after a change, e.g. that it takes effect at the next start (may be empty).
    std::string changeNote = {};
};

// The rows, reading and writing the settings of `home` (empty: the current application home).
std::vector<SettingRow> appSettings(const std::string& home = {});

}  // namespace pd
