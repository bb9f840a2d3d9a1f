#include "FeedbackEndpoint.h"

#include "platform/Log.h"
#include "platform/UrlEncode.h"
#include "services/FeedbackForm.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <optional>

namespace pd::peer {

namespace {

constexpr std::size_t kWorkerThreads = 4;

// The raw value of the form field `name` in an x-www-form-urlencoded body.
std::optional<std::string_view> formField(std::string_view body, std::string_view name) {
    while (!body.empty()) {
        const std::size_t amp = body.find('&');
        const std::string_view pair = body.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name) {
            return eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        }
        if (amp == std::string_view::npos) {
            break;
        }
        body.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

std::string stringMember(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

}  // namespace

nlohmann::ordered_json describeFeedbackPost(std::string_view path, std::string_view body) {
    nlohmann::ordered_json event = {{"event", "feedback"},
                                    {"path", std::string(path)},
                                    {"bytes", body.size()},
                                    {"jsondata", nullptr},
                                    {"code_ok", false}};
    const auto raw = formField(body, "jsondata");
    if (!raw) {
        event["reason"] = "no jsondata field";
        return event;
    }
    const auto text = UrlEncode::decodeFromPercentEscapeString(*raw);
    if (!text) {
        event["reason"] = "jsondata is not percent-escaped UTF-8";
        return event;
    }
    const auto json = nlohmann::json::parse(*text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        event["reason"] = "jsondata is not a JSON object";
        return event;
    }
    event["jsondata"] = json;
    const std::string pcid = stringMember(json, "PCID");
    event["code_ok"] = !pcid.empty() && stringMember(json, "Code") == feedback::signature(pcid);
    return event;
}

FeedbackEndpoint::FeedbackEndpoint(Print print) : print_(std::move(print)) {}

FeedbackEndpoint::~FeedbackEndpoint() {
    stop();
}

void FeedbackEndpoint::print(const nlohmann::ordered_json& event) {
    PD_LOG_INFO("feedback endpoint: {}",
                event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    std::lock_guard lock(printMutex_);
    if (print_) {
        print_(event);
    }
}

void FeedbackEndpoint::configure() {
    server_.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server_.set_address_family(AF_INET);
    // SO_REUSEADDR only: httplib's default SO_REUSEPORT would let a second server share the port.
    server_.set_socket_options([](socket_t sock) {
        int one = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    });
    server_.set_keep_alive_max_count(10);
    server_.set_keep_alive_timeout(5);
    server_.set_read_timeout(5, 0);
    server_.set_write_timeout(5, 0);
    server_.set_payload_max_length(kMaxBodyBytes);
    // The body is read only after the pre-routing step, so the POST itself is a route.
    server_.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "POST") {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        res.status = 405;
        res.set_header("Allow", "POST");
        return httplib::Server::HandlerResponse::Handled;
    });
    server_.Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
        print(describeFeedbackPost(req.path, req.body));
        res.status = 200;
        res.set_content("", "text/plain");
    });
    // Every error answer (405 above, 413 and 400 from httplib) goes through here.
    server_.set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        print({{"event", "feedback_refused"},
               {"method", req.method},
               {"path", req.path},
               {"status", res.status}});
    });
}

std::unique_ptr<FeedbackEndpoint> FeedbackEndpoint::start(const std::string& address,
                                                          std::uint16_t port, Print print) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        PD_LOG_ERROR("'{}' is not an IPv4 address", address);
        return nullptr;
    }
    std::unique_ptr<FeedbackEndpoint> endpoint(new FeedbackEndpoint(std::move(print)));
    endpoint->configure();
    const int bound = port == 0 ? endpoint->server_.bind_to_any_port(address)
                                : (endpoint->server_.bind_to_port(address, port) ? port : -1);
    if (bound <= 0) {
        PD_LOG_ERROR("feedback endpoint cannot listen on {}:{}", address, port);
        return nullptr;
    }
    endpoint->port_ = static_cast<std::uint16_t>(bound);
    auto listenEnded = std::make_shared<std::atomic<bool>>(false);
    endpoint->thread_ = std::thread([s = endpoint.get(), listenEnded] {
        s->server_.listen_after_bind();
        listenEnded->store(true);
    });
    // httplib ignores a stop() that comes before its loop runs: wait until it runs or gave up.
    while (!endpoint->server_.is_running() && !listenEnded->load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!endpoint->server_.is_running()) {
        PD_LOG_ERROR("feedback endpoint on {}:{} did not start", address, bound);
        return nullptr;
    }
    PD_LOG_INFO("feedback endpoint on {}:{}", address, bound);
    return endpoint;
}

void FeedbackEndpoint::stop() {
    server_.closeConnections();
    server_.stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace pd::peer
