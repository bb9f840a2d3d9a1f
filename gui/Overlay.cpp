#include "Overlay.h"

#include "app/MainLoop.h"

#include <string_view>
#include <utility>

namespace pd::gui {

QString displayText(const std::string& key) {
    return QString::fromStdString(app::displayText(key));
}

Overlay::Overlay() {
    tipTimer_.setSingleShot(true);
    connect(&tipTimer_, &QTimer::timeout, this, [this] {
        tipText_.clear();
        emit tipChanged();
    });
}

void Overlay::showProgress(const std::string& key) {
    progressText_ = displayText(key);
    progressVisible_ = true;
    emit progressChanged();
}

void Overlay::hideProgress() {
    if (progressVisible_) {
        progressVisible_ = false;
        emit progressChanged();
    }
}

void Overlay::showTip(const std::string& key, std::chrono::milliseconds duration) {
    showTipText(displayText(key), duration);
}

void Overlay::showTipText(const QString& text, std::chrono::milliseconds duration) {
    // A tip replaces the progress overlay, as a text-only overlay would.
    hideProgress();
    tipText_ = text;
    emit tipChanged();
    tipTimer_.start(duration);
}

void Overlay::ask(const std::string& key, const std::vector<std::string>& buttons,
                  std::function<void(int)> answer) {
    // An empty key is an action sheet: buttons without a question.
    Question q{key.empty() ? QString() : displayText(key), {}, std::move(answer)};
    for (const auto& b : buttons) {
        q.buttons << displayText(b);
    }
    questions_.push_back(std::move(q));
    if (questions_.size() == 1) {
        emit questionChanged();
    }
}

void Overlay::answer(int index) {
    if (questions_.empty() || index < 0 || index >= questions_.front().buttons.size()) {
        return;
    }
    // Taken off first: the answer may ask the next question.
    auto answered = std::move(questions_.front().answer);
    questions_.pop_front();
    emit questionChanged();
    if (answered) {
        answered(index);
    }
}

QString Overlay::question() const {
    return questions_.empty() ? QString() : questions_.front().text;
}

QStringList Overlay::buttons() const {
    return questions_.empty() ? QStringList() : questions_.front().buttons;
}

}  // namespace pd::gui
