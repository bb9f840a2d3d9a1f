#pragma once
// The computer's side of the link handshake. The hello (code 39) is answered with a challenge
// (1000, result 1) or, in direct-accept mode, with an acceptance and the ticket (1039). The
// proof (code 0) carries md5hex(device info + nonce + check code + challenge); it is checked
// against our check code and answered with 1000, result 0 and the ticket, or result 2.
//
// Each hello draws a fresh challenge and each proof uses it up, so a wrong code costs the
// phone a new round trip; the ticket is drawn once per link.

#include "PeerResults.h"
#include "TicketBook.h"
#include "codec/MsgPack.h"

#include <optional>
#include <string>

namespace pd::peer {

class PeerHandshake {
  public:
    PeerHandshake(std::string checkCode, bool directAccept, TicketBook* tickets = nullptr);

    // nullopt for a body of the wrong shape (it is not answered).
    std::optional<PeerAnswer> onHello(msg::View body);
    std::optional<PeerAnswer> onProof(msg::View body);

    bool accepted() const { return accepted_; }
    const std::string& ticket() const { return ticket_; }
    const std::string& deviceInfo() const { return deviceInfo_; }

    // Random text of letters and digits from the system's cryptographic generator.
    static std::string randomText(std::size_t length);

  private:
    void recordTicket() const;

    std::string checkCode_;
    bool directAccept_;
    TicketBook* tickets_;
    bool accepted_ = false;
    std::string ticket_;
    std::optional<std::string> challenge_;
    std::string deviceInfo_;
};

}  // namespace pd::peer
