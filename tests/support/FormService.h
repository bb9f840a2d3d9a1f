#pragma once

// A form service on 127.0.0.1: records each POST's form fields and answers with the status set.

#include "support/WaitFor.h"

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pd::test {

class FormService {
  public:
    explicit FormService(int status, std::string path = "/Client/FeedBack.ashx")
        : path_(std::move(path)), status_(status) {
        server_.Post(path_, [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            contentType_ = req.get_header_value("Content-Type");
            fields_.clear();
            for (const auto& [name, value] : req.params) {
                fields_.emplace_back(name, value);
            }
            ++requests_;
            res.status = status_;
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        // Bound and listening already: a request waits for the accept loop.
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() before the loop runs would be lost.
        waitFor([this] { return server_.is_running(); });
    }
    ~FormService() {
        server_.stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + path_; }
    void answerWith(int status) { status_ = status; }
    int requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<std::pair<std::string, std::string>> fields() {
        std::lock_guard lock(mutex_);
        return fields_;
    }
    std::string contentType() {
        std::lock_guard lock(mutex_);
        return contentType_;
    }

  private:
    httplib::Server server_;
    std::string path_;
    std::atomic<int> status_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    int requests_ = 0;
    std::vector<std::pair<std::string, std::string>> fields_;
    std::string contentType_;
};

}  // namespace pd::test
