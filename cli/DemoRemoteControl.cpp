#include "DemoRemoteControl.h"

#include "Commands.h"
#include "SelfProcess.h"

namespace pd::cli {

int demoRemoteControl(const Output& out, const std::string& address,
                      const std::vector<std::string>& common) {
    struct Step {
        const char* say;
        std::vector<std::string> args;
    };
    const Step steps[] = {
        {"   Locking the computer's screen (the peer only logs power commands):",
         {"power", "lock", "--yes"}},
        {"   Capturing its screen into the phone's capture folder:", {"capture"}},
        {"   Setting its volume to 40:", {"volume", "40"}},
        {"   Playing music (the same command again pauses):", {"music", "play"}},
        {"   Turning a presentation to its next page:", {"slides", "next"}},
        {"   The devices on its hotspot:", {"hotspot"}},
    };
    int failures = 0;
    for (const Step& step : steps) {
        out.say(step.say);
        std::vector<std::string> args = step.args;
        args.insert(args.end(), {"--pc", address});
        args.insert(args.end(), common.begin(), common.end());
        failures += waitSelf(startSelf(out, args)) != kExitOk;
    }
    return failures;
}

}  // namespace pd::cli
