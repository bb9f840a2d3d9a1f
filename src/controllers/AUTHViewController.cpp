#include "controllers/AUTHViewController.h"

#include "platform/Utf8.h"

namespace pd {

namespace {

// Number of characters (code points) of a UTF-8 text.
std::size_t characterCount(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) {
        n += (c & 0xC0) != 0x80;
    }
    return n;
}

}  // namespace

AUTHViewController::AUTHViewController(std::int64_t nServerDataIndex, std::string deviceTag,
                                       std::weak_ptr<AUTHViewControllerDelegate> delegate,
                                       std::weak_ptr<AuthCodeView> view)
    : nServerDataIndex_(nServerDataIndex),
      deviceTag_(std::move(deviceTag)),
      delegate_(std::move(delegate)),
      view_(std::move(view)) {}

void AUTHViewController::viewDidLoad() {
    focus(0);
}

void AUTHViewController::focus(int field) {
    focused_ = field;
    if (auto v = view_.lock()) {
        v->focusField(field);
    }
}

bool AUTHViewController::shouldChangeText(int field, const std::string& newText) const {
    return field >= 0 && field < kFieldCount && isValidUtf8(newText) &&
           characterCount(newText) <= 1;
}

void AUTHViewController::textDidChange(int field, const std::string& text) {
    if (!shouldChangeText(field, text)) {
        return;
    }
    fields_[static_cast<std::size_t>(field)] = text;
    if (!text.empty()) {
        if (field < kFieldCount - 1) {
            focus(field + 1);
            return;
        }
        std::string code;
        for (const auto& f : fields_) {
            code += f;
        }
        if (characterCount(code) == kFieldCount && !finished_) {
            finished_ = true;
            if (auto d = delegate_.lock()) {
                d->AUTHViewControllerFinish(*this, code, true, nServerDataIndex_);
            }
        }
    } else if (field > 0) {
        focus(field - 1);
    }
}

void AUTHViewController::cancel() {
    if (auto d = delegate_.lock()) {
        d->AUTHViewControllerDidCancel(*this);
    }
}

}  // namespace pd
