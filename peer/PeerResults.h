#pragma once
// Result codes the peer puts in element 1 of its answers, and the shape of one answer.

#include <cstdint>
#include <string>

namespace pd::peer {

enum PeerResult : std::int32_t {
    kOk = 0,
    kAuthRefused = 2,     // wrong check code, or a proof without a challenge
    kInvalidRequest = 3,  // unknown class id, class full, empty upload name
    kNotFound = 4,        // unknown drive, missing folder, or a path that leaves the root
    kNotFolder = 5,
    kAlreadyMember = 7,  // the phone counts this as success
    kFailed = 8,         // the peer could not do it (disk write failed and the like)
};

// One message for the phone: its code and the packed body array.
struct PeerAnswer {
    std::int32_t code = 0;
    std::string body;
};

}  // namespace pd::peer
