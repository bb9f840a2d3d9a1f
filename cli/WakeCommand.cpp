// pocketdesk wake: sends the magic packet to a remembered computer that is asleep. No link
// and no search: a sleeping computer answers neither.

#include "Commands.h"
#include "Output.h"
#include "TextFormat.h"

#include "app/WakeComputer.h"

namespace pd::cli {

int runWake(const GlobalOptions& options, std::uint16_t port) {
    Output out(options.outputMode());
    app::WakeRequest request;
    request.pc = options.pc;
    request.interfaceName = options.interfaceName;
    request.port = port;
    const app::WakeOutcome outcome = app::wakeRememberedComputer(options.home, request);
    const std::string name = visibleText(outcome.computer);
    switch (outcome.status) {
        case app::WakeStatus::Sent: {
            const std::string where = outcome.broadcast + ":" + std::to_string(outcome.port);
            out.result("woken", "",
                       {{"computer", outcome.computer},
                        {"hw_address", outcome.hwAddress},
                        {"interface", outcome.interfaceName},
                        {"broadcast", outcome.broadcast},
                        {"port", outcome.port}},
                       "sent wake packet to " + outcome.hwAddress + " via " +
                           visibleText(outcome.interfaceName) + " (" + where + ")");
            out.finish();
            return kExitOk;
        }
        case app::WakeStatus::NoComputer:
            out.error(name.empty() ? "no computer paired yet: give --pc NAME, TAG or ADDRESS"
                                   : "no remembered computer " + name);
            return kExitNoSuchComputer;
        case app::WakeStatus::NoHardwareAddress:
            out.error("no hardware address known for " + name +
                      ": pair with it once while it is awake");
            return kExitFailure;
        case app::WakeStatus::NoRoute:
        case app::WakeStatus::SendFailed:
            break;
    }
    out.error("cannot wake " + name + ": " + outcome.error);
    return kExitFailure;
}

}  // namespace pd::cli
