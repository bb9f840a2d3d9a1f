#include "app/FeedbackScreen.h"

#include "platform/AppHome.h"

namespace pd::app {

std::shared_ptr<FeedbackViewController> openFeedback(const std::string& home,
                                                     std::weak_ptr<FeedbackView> view) {
    if (!home.empty()) {
        AppHome::set(home);
    }
    auto screen = std::make_shared<FeedbackViewController>(
        std::move(view), FeedbackViewController::standardServices());
    screen->viewDidLoad();
    return screen;
}

}  // namespace pd::app
