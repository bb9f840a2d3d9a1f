#pragma once
// An HTTP file server on 127.0.0.1 (ephemeral port) for download tests. It serves files from
// memory with single-range support ("bytes=N-") and can be told to misbehave the way real
// servers and networks do: drop the connection after some body bytes, hold the body until
// released, ignore the Range header, answer 416 or 404, start a partial answer at the wrong
// byte, or wait before answering.

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pd::test {

class FaultyHttpServer {
  public:
    struct Behaviour {
        std::optional<std::size_t> closeAfter;  // body bytes sent before the connection drops
        std::optional<std::size_t> holdAfter;   // body bytes sent before waiting for release()
        bool ignoreRange = false;               // a Range request gets 200 and the whole body
        bool rangeNotSatisfiable = false;       // a Range request gets 416 "bytes */size"
        bool notFound = false;                  // every request gets a 404 page
        std::optional<std::size_t> rangeStart;  // 206 answers start at this byte instead
        std::chrono::milliseconds delay{0};     // before the answer
    };
    struct Request {
        std::string path;
        std::string range;  // the Range header, empty if none
    };

    FaultyHttpServer();
    ~FaultyHttpServer();
    FaultyHttpServer(const FaultyHttpServer&) = delete;
    FaultyHttpServer& operator=(const FaultyHttpServer&) = delete;

    // False if the server could not listen (reported by the test, not asserted here).
    bool ok() const { return port_ > 0; }
    std::string url(const std::string& path) const;

    void setFile(const std::string& path, std::string content);
    void setBehaviour(const Behaviour& behaviour);
    // Lets every held answer continue; later answers are no longer held.
    void release();

    std::vector<Request> requests() const;
    // Body bytes sent so far for `path`, over all answers.
    std::size_t bytesSent(const std::string& path) const;
    // Most answers that were sending at the same time.
    std::size_t peakConcurrency() const;

  private:
    void handle(const httplib::Request& request, httplib::Response& response);

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool releasedFlag_ = false;
    std::map<std::string, std::string> files_;
    std::map<std::string, std::size_t> sent_;
    Behaviour behaviour_;
    std::vector<Request> requests_;
    std::size_t active_ = 0;
    std::size_t peak_ = 0;
};

}  // namespace pd::test
