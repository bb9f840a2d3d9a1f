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
    // For a row that takes any text: why `value` cannot be set (empty when it can).
    std::function<std::string(const std::string&)> problem = {};
};

// The rows, reading and writing the settings of `home` (empty: the current application home).
std::vector<SettingRow> appSettings(const std::string& home = {});

}  // namespace pd
