#include "codec/SignedLink.h"

#include "platform/Md5.h"
#include "platform/UrlEncode.h"

namespace pd {

namespace {
constexpr std::string_view kUrlSalt = "$mz82qdk$";
}  // namespace

std::string signedUrlKey(std::string_view escapedPath, std::string_view ticket) {
    std::string input;
    input.reserve(1 + escapedPath.size() + ticket.size() + kUrlSalt.size());
    input.append("/").append(escapedPath).append(ticket).append(kUrlSalt);
    return md5HexLower(input);
}

std::string buildSignedUrl(std::string_view host, int httpPort, std::string_view path,
                           std::string_view deviceUUID, std::string_view ticket) {
    const std::string escaped = UrlEncode::encodeToPercentEscapeString(path);
    std::string url = "http://";
    url.append(host).append(":").append(std::to_string(httpPort)).append("/").append(escaped);
    url.append("?d=").append(deviceUUID).append("&k=").append(signedUrlKey(escaped, ticket));
    return url;
}

}  // namespace pd
