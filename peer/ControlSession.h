#pragma once
// One link with a phone: frames in and out, the handshake, then the requests. The loop blocks
// in poll() on the socket and the stop descriptor, waking for input, for pending output and
// when our own heartbeat is due; it never spins. Output waits in a bounded buffer: while it is
// full the session stops reading, so a phone that never reads cannot make us grow.
//
// Garbage, including headers announcing frames no phone sends, is skipped up to the next frame
// magic; a phone that vanishes or breaks the stream ends its own link and nothing else.

#include "ClassStore.h"
#include "DiskTree.h"
#include "FrameLog.h"
#include "PeerFrameReader.h"
#include "PeerHandshake.h"
#include "PeerOptions.h"
#include "PeerResults.h"
#include "PhoneFileClient.h"
#include "RequestDispatcher.h"
#include "UploadReceiver.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pd::peer {

inline constexpr std::size_t kMaxPendingOutput = 4u * 1024 * 1024;

struct SessionConfig {
    const DiskTree* disk = nullptr;
    ClassStore* classes = nullptr;
    FrameLog* log = nullptr;        // optional
    TicketBook* tickets = nullptr;  // optional: where accepted handshakes record their ticket
    std::string checkCode;
    bool directAccept = false;
    std::chrono::milliseconds heartbeat{5000};
    ServicePorts ports;
    // Named in the "PASV" reply when the link's socket has no IPv4 address of its own.
    std::string fallbackHost = "127.0.0.1";
    // Where uploaded items go; empty: no upload receiver ("PASV" names ports.upload).
    std::filesystem::path backupDir;
    std::uint64_t maxUploadBytes = kDefaultMaxUploadBytes;
    // Phone-file commands to send once a link is accepted; null: none.
    std::shared_ptr<PhoneScript> phoneScript;
    // Captures are answered with these bytes; null: a picture drawn for the moment.
    std::shared_ptr<const std::string> captureImage;
    // The hotspot roster over time; null: the made-up default roster.
    std::shared_ptr<const HotspotScript> hotspotScript;
};

class ControlSession {
  public:
    // Takes ownership of the connected socket.
    ControlSession(int fd, int linkId, const SessionConfig& config);
    ~ControlSession();
    ControlSession(const ControlSession&) = delete;
    ControlSession& operator=(const ControlSession&) = delete;

    // Serves the link until the phone closes it, the stream breaks, or stopFd (if not -1)
    // becomes readable. Closes the socket before returning.
    void run(int stopFd = -1);

  private:
    void onPayload(const std::string& payload);
    void queue(const PeerAnswer& answer);
    void queueHeartbeat();
    bool readSome();  // false when the link is over
    void onFrame(const PeerFrameReader::Frame& frame);
    // Handles buffered frames while the output has room, sending as it goes.
    bool pump();
    bool flush();  // false on a write error
    std::size_t pendingOutput() const { return output_.size() - outputSent_; }
    std::string localHost() const;
    // Called from upload threads: a reply line for the phone, sent by the loop.
    void replyLater(std::string line);
    void takeLaterReplies();
    // Called from the phone-file client's thread: a message for the phone, sent by the loop.
    void sendLater(PeerAnswer message);
    void startPhoneScript();

    int fd_;
    int linkId_;
    SessionConfig config_;
    PeerHandshake handshake_;
    int laterFd_ = -1;  // eventfd: a reply from an upload thread is waiting
    std::mutex laterMutex_;
    std::vector<std::string> laterReplies_;
    std::vector<PeerAnswer> laterMessages_;
    std::unique_ptr<PhoneFileClient> phoneFiles_;  // while its script runs on this link
    std::unique_ptr<UploadReceiver> uploads_;      // before the dispatcher that uses it
    std::unique_ptr<RequestDispatcher> dispatcher_;
    PeerFrameReader reader_;
    std::string output_;
    std::size_t outputSent_ = 0;
    std::vector<char> chunk_;
};

}  // namespace pd::peer
