#pragma once
// One JSON line per frame in or out of every link, flushed as written, so a test or a developer
// can follow the conversation:
//   {"dir":"in","link":1,"code":1,"body":[266,"C:/"]}
//   {"dir":"out","link":1,"heartbeat":true}
// A payload that is no envelope is logged as {"dir":"in","link":1,"undecodable":N} (N bytes),
// a body that does not decode as "body":null. Safe to use from several links at once.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>

namespace pd::peer {

class FrameLog {
  public:
    enum class Dir { In, Out };

    // nullptr when the file cannot be opened for appending.
    static std::unique_ptr<FrameLog> open(const std::filesystem::path& file);
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    void message(Dir dir, int link, std::int64_t code, std::string_view packedBody);
    void heartbeat(Dir dir, int link);
    void undecodable(Dir dir, int link, std::size_t bytes);

  private:
    explicit FrameLog(std::FILE* f) : file_(f) {}
    void writeLine(const std::string& line);

    std::mutex mutex_;
    std::FILE* file_;
};

}  // namespace pd::peer
