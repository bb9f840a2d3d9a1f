#pragma once
// Answers the requests of an accepted link, one handler per message code. Each handler checks
// the request's element count and types (a malformed request is logged and not answered) and
// builds the answer with the computer's answer code and exact element counts, echoing the
// request number in element 0 where the phone checks it.
//
// Adding a request is one table entry and one handler.

#include "ClassStore.h"
#include "DiskTree.h"
#include "HotspotScript.h"
#include "PeerOptions.h"
#include "PeerResults.h"
#include "UploadReceiver.h"
#include "codec/MsgPack.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pd::peer {

inline constexpr std::size_t kMaxPlugContentBytes = 64 * 1024;

class RequestDispatcher {
  public:
    // dataHost is the address the phone reached us on; the "PASV" reply names it. With an
    // upload receiver each "PASV" opens a listener of its own and "STOR" receives the item;
    // without one "PASV" names ports.upload (or is refused when that is 0).
    RequestDispatcher(const DiskTree& disk, ClassStore& classes, ServicePorts ports,
                      std::string dataHost, UploadReceiver* uploads = nullptr);

    // The answer to one request, or nullopt when there is none to send (unknown code,
    // malformed body, or a message that needs no answer).
    std::optional<PeerAnswer> handle(std::int32_t code, msg::View body);

    // Captures are answered with these bytes (unchanged) instead of a drawn picture; null:
    // drawn.
    void setCaptureImage(std::shared_ptr<const std::string> bytes) {
        captureImage_ = std::move(bytes);
    }
    // The hotspot list follows this script instead of the made-up default roster.
    void setHotspotScript(std::shared_ptr<const HotspotScript> script) {
        hotspotScript_ = std::move(script);
    }

    // The file name of the last "STOR", for the upload data listener.
    const std::string& announcedUpload() const { return announcedUpload_; }

  private:
    // One request as a handler sees it: its body and what the answer must carry.
    struct Call {
        std::int32_t answerCode;
        std::int32_t number;  // element 0 of the request, echoed in the answer
        msg::View body;
    };
    using Handler = std::optional<PeerAnswer> (RequestDispatcher::*)(const Call& call);
    struct Route {
        std::uint32_t elements;  // exact body element count, request number included
        std::int32_t answerCode;
        Handler handler;
    };
    static const Route* route(std::int32_t code);

    std::optional<PeerAnswer> listFolder(const Call& call);
    std::optional<PeerAnswer> power(const Call& call);
    std::optional<PeerAnswer> capture(const Call& call);
    std::optional<PeerAnswer> selectClass(const Call& call);
    std::optional<PeerAnswer> addToClass(const Call& call);
    std::optional<PeerAnswer> removeFromClass(const Call& call);
    std::optional<PeerAnswer> folderStats(const Call& call);
    std::optional<PeerAnswer> backupFolder(const Call& call);
    std::optional<PeerAnswer> hotspotList(const Call& call);
    std::optional<PeerAnswer> uploadCommand(const Call& call);
    std::optional<PeerAnswer> plugMessage(const Call& call);
    std::optional<PeerAnswer> phoneReply(const Call& call);

    std::string uploadReply(std::string_view line);
    std::string plugReply(std::string_view plugId, std::string_view content) const;

    const DiskTree& disk_;
    ClassStore& classes_;
    ServicePorts ports_;
    std::string dataHost_;
    UploadReceiver* uploads_;
    std::string announcedUpload_;
    std::shared_ptr<const std::string> captureImage_;
    std::shared_ptr<const HotspotScript> hotspotScript_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace pd::peer
