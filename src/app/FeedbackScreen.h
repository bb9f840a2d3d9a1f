#pragma once
// Opening the feedback screen with the settings of an application home, for front-ends that
// show it on its own (the terminal's `feedback` command).

#include "controllers/FeedbackViewController.h"

#include <memory>
#include <string>

namespace pd::app {

// The screen, loaded, with `home`'s feedback address (empty `home`: the current home).
std::shared_ptr<FeedbackViewController> openFeedback(const std::string& home,
                                                     std::weak_ptr<FeedbackView> view);

}  // namespace pd::app
