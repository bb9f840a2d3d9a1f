#pragma once
// A local stand-in for the feedback service, so the phone's feedback can be seen in tests and
// the demo. An HTTP server on the peer's address that takes a form POST on any path, answers
// 200 with an empty body, and prints one JSON line per request it read:
//
//   {"event":"feedback","path":"/Client/FeedBack.ashx","bytes":412,
//    "jsondata":{"AppID":"5",...},"code_ok":true}
//
// "jsondata" is the decoded field (null, with a "reason", when it is missing or no JSON
// object) and "code_ok" whether its "Code" is the signature of its "PCID". Requests it does
// not take are answered with an error status and printed as
//
//   {"event":"feedback_refused","method":"GET","path":"/","status":405}
//
// 405 for a method other than POST, 413 for a body over kMaxBodyBytes; the request line and
// headers are bounded as in the HTTP file service.

#include "BoundedHttpServer.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace pd::peer {

// The JSON line for a POST of `body` to `path`.
nlohmann::ordered_json describeFeedbackPost(std::string_view path, std::string_view body);

class FeedbackEndpoint {
  public:
    static constexpr std::size_t kMaxBodyBytes = 8 * 1024;  // httplib's own limit for a form body
    using Print = std::function<void(const nlohmann::ordered_json&)>;

    // Listens on address:port (port 0: an ephemeral one); nullptr with a logged error when it
    // cannot. `print` is called on the server's threads, one call at a time; may be empty.
    static std::unique_ptr<FeedbackEndpoint> start(const std::string& address, std::uint16_t port,
                                                   Print print);
    ~FeedbackEndpoint();
    FeedbackEndpoint(const FeedbackEndpoint&) = delete;
    FeedbackEndpoint& operator=(const FeedbackEndpoint&) = delete;

    std::uint16_t port() const { return port_; }
    // Closes every connection and joins the server's threads; safe to call twice.
    void stop();

  private:
    explicit FeedbackEndpoint(Print print);
    void configure();
    void print(const nlohmann::ordered_json& event);

    Print print_;
    std::mutex printMutex_;
    BoundedHttpServer server_;
    std::thread thread_;
    std::uint16_t port_ = 0;
};

}  // namespace pd::peer
