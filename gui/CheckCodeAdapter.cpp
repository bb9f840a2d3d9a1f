#include "CheckCodeAdapter.h"

namespace pd::gui {

CheckCodeAdapter::CheckCodeAdapter(QString computerName) : computerName_(std::move(computerName)) {}

void CheckCodeAdapter::start(std::int64_t row, const std::string& deviceTag,
                             std::weak_ptr<AUTHViewControllerDelegate> delegate,
                             std::weak_ptr<AuthCodeView> self) {
    entry_ =
        std::make_unique<AUTHViewController>(row, deviceTag, std::move(delegate), std::move(self));
    entry_->viewDidLoad();
}

bool CheckCodeAdapter::edit(int field, const QString& text) {
    if (!entry_ || field < 0 || field >= AUTHViewController::kFieldCount) {
        return false;
    }
    const std::string value = text.toStdString();
    if (!entry_->shouldChangeText(field, value)) {
        emit fieldsChanged();  // the field shows its old text again
        return false;
    }
    entry_->textDidChange(field, value);
    emit fieldsChanged();
    return true;
}

void CheckCodeAdapter::cancel() {
    if (entry_) {
        entry_->cancel();
    }
}

QStringList CheckCodeAdapter::fields() const {
    QStringList out;
    for (int i = 0; i < AUTHViewController::kFieldCount; ++i) {
        out << (entry_ ? QString::fromStdString(entry_->fieldText(i)) : QString());
    }
    return out;
}

void CheckCodeAdapter::focusField(int) {
    emit focusChanged();
}

}  // namespace pd::gui
