#pragma once
// Where the phone-file service sends file contents: the data channel to the computer at the
// other end of the link. Both calls may come from any thread.

#include "NetWork/UploadSource.h"

#include <functional>
#include <memory>

namespace pd {

class PhoneFileTransport {
  public:
    virtual ~PhoneFileTransport() = default;
    // Opens the data channel to `port` at the linked computer's address (blocking, bounded).
    virtual bool connect(int port) = 0;
    // Streams `source` on the open channel from the channel's worker, then calls
    // `done(sentAll)` there. False (and no call) when no channel is open.
    virtual bool send(std::shared_ptr<UploadSource> source, std::function<void(bool)> done) = 0;
};

// The channel of the process-wide core controller.
std::shared_ptr<PhoneFileTransport> authCorePhoneFileTransport();

}  // namespace pd
