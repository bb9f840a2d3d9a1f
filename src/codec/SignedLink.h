#pragma once
// Signed links to files on the computer's HTTP service. The phone builds them and the
// computer checks them; both sides use these two functions so they cannot drift apart.

#include <string>
#include <string_view>

namespace pd {

// The signed link layout "http://%@:%d/%@?d=%s&k=%s": the path percent-escaped, the device
// UUID as is, and the key MD5("/" + escaped path + ticket + salt).
std::string buildSignedUrl(std::string_view host, int httpPort, std::string_view path,
                           std::string_view deviceUUID, std::string_view ticket);
// The key of an already escaped path.
std::string signedUrlKey(std::string_view escapedPath, std::string_view ticket);

}  // namespace pd
