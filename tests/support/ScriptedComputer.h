#pragma once
// A computer whose every byte the test controls: a TCP listener on 127.0.0.1 (ephemeral port)
// that accepts one link and lets the test read frames and write raw bytes.

#include "codec/MsgPack.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pd::test {

using namespace std::chrono_literals;

struct ReceivedFrame {
    bool heartbeat = false;
    std::int64_t code = -1;
    std::string body;  // packed body array
};

class ScriptedComputer {
  public:
    ScriptedComputer();
    ~ScriptedComputer();
    ScriptedComputer(const ScriptedComputer&) = delete;
    ScriptedComputer& operator=(const ScriptedComputer&) = delete;

    int port() const { return port_; }
    // A loopback port whose listener is already closed: a connect there is refused.
    static int deadPort() { return ScriptedComputer().port(); }
    bool accept(std::chrono::milliseconds limit = 5s);
    // Next frame from the phone; nullopt on time-out or end of stream.
    std::optional<ReceivedFrame> readFrame(std::chrono::milliseconds limit = 5s);
    // Next message frame, skipping heartbeats.
    std::optional<ReceivedFrame> readMessage(std::chrono::milliseconds limit = 5s);
    bool sendRaw(std::string_view bytes);
    bool sendMessage(std::int32_t code, std::string_view packedBody);
    // True when the phone closed its side (read returns end of stream within the limit);
    // what arrived until then goes to `received` when given.
    bool peerClosed(std::chrono::milliseconds limit = 5s, std::string* received = nullptr);
    // Keeps the kernel's receive buffer of the next link this small, so that a computer that
    // stops reading soon stops the phone's writes.
    void limitReceiveBuffer(int bytes);
    void closeLink();

  private:
    bool readExact(std::string& out, std::size_t n, std::chrono::milliseconds limit);
    int listenFd_ = -1;
    int linkFd_ = -1;
    int port_ = 0;
};

// Packs an array from element writers: pack({I(1), R("x"), A({...})}).
using Elem = std::function<void(msg::Packer&)>;
Elem I(std::int64_t v);
Elem R(std::string v);
Elem A(std::vector<Elem> items);
std::string pack(std::vector<Elem> items);

}  // namespace pd::test
