#pragma once
// The demo's feedback and usage report steps, against the stand-in services of the tour's
// computer (its --feedback-port and --report-port).

#include "DemoSteps.h"

namespace pd::cli {

// Points the phone's feedback-url setting at the computer's stand-in, sends a feedback and shows
// what arrived and whether its signature checks.
Reason demoFeedback(const DemoContext& demo, peer::PeerLauncher& computer);
// Points the report-host setting at the computer's stand-in, pairs again (which sends a keep-alive
// report and the statistic of a button) and shows what arrived.
Reason demoReports(const DemoContext& demo, peer::PeerLauncher& computer);

}  // namespace pd::cli
