#include "FrameLog.h"

#include "MsgPackJson.h"
#include "codec/MsgPack.h"

#include <nlohmann/json.hpp>

namespace pd::peer {

using nlohmann::json;

static const char* dirText(FrameLog::Dir dir) {
    return dir == FrameLog::Dir::In ? "in" : "out";
}

std::unique_ptr<FrameLog> FrameLog::open(const std::filesystem::path& file) {
    std::FILE* f = std::fopen(file.c_str(), "ae");
    if (f == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<FrameLog>(new FrameLog(f));
}

FrameLog::~FrameLog() {
    std::fclose(file_);
}

void FrameLog::writeLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void FrameLog::message(Dir dir, int link, std::int64_t code, std::string_view packedBody) {
    json line = {{"dir", dirText(dir)}, {"link", link}, {"code", code}};
    std::optional<msg::Decoded> body = msg::decode(packedBody);
    line["body"] = body ? toJson(body->root()) : json(nullptr);
    writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
}

void FrameLog::heartbeat(Dir dir, int link) {
    json line = {{"dir", dirText(dir)}, {"link", link}, {"heartbeat", true}};
    writeLine(line.dump());
}

void FrameLog::undecodable(Dir dir, int link, std::size_t bytes) {
    json line = {{"dir", dirText(dir)}, {"link", link}, {"undecodable", bytes}};
    writeLine(line.dump());
}

}  // namespace pd::peer
