#pragma once
// Identity of the machine the app runs on.

#include <filesystem>
#include <string>

namespace pd::DeviceInfo {

// The hardware name of the machine (uname's machine field, for example "x86_64").
std::string machineIdentifier();

// A stable identifier of this machine for this app, as a canonical upper-case UUID
// (8-4-4-4-12): /etc/machine-id when it holds 32 hexadecimal digits, else a random UUID made
// once and kept in <home>/Library/vendor-id.
std::string vendorIdentifier();

// The same, with the files given: `machineIdFile` is read first, `keepFile` holds the random
// fallback (created when needed).
std::string vendorIdentifierFrom(const std::filesystem::path& machineIdFile,
                                 const std::filesystem::path& keepFile);

// True for 36 characters of upper-case hexadecimal digits in groups 8-4-4-4-12.
bool isCanonicalUuid(const std::string& text);

}  // namespace pd::DeviceInfo
