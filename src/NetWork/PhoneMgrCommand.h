#pragma once
// The executor of file commands that the computer sends on the link (message code 100).
// The link engine hands each command line to a new executor and sends the reply text it
// delivers as code 1100.

#include <functional>
#include <memory>
#include <string>

namespace pd {

class PhoneMgrCommand {
  public:
    using ReplyBlock = std::function<void(const std::string& reply)>;
    virtual ~PhoneMgrCommand() = default;
    // Runs one command line; calls usingBlock with the reply text (possibly later, from any
    // thread). An executor may also never reply. The link drops its reference once this
    // returns: an executor that replies later keeps itself alive (shared_from_this).
    virtual void CommandParse(const std::string& commandLine, ReplyBlock usingBlock) = 0;
};

// Makes the executor for one command; empty until the phone file service registers one, and
// then code 100 gets no reply.
using PhoneMgrCommandFactory = std::function<std::shared_ptr<PhoneMgrCommand>()>;

void setPhoneMgrCommandFactory(PhoneMgrCommandFactory factory);
std::shared_ptr<PhoneMgrCommand> makePhoneMgrCommand();

}  // namespace pd
