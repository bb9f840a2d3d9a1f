#pragma once
// The six-field check-code entry: one character per field, focus moving forward as fields fill
// and back as they empty; the sixth character completes the code.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace pd {

class AUTHViewController;

class AUTHViewControllerDelegate {
  public:
    virtual ~AUTHViewControllerDelegate() = default;
    virtual void AUTHViewControllerFinish(AUTHViewController& screen, const std::string& checkCode,
                                          bool remember, std::int64_t listIndex) = 0;
    virtual void AUTHViewControllerDidCancel(AUTHViewController& screen) = 0;
};

class AuthCodeView {
  public:
    virtual ~AuthCodeView() = default;
    virtual void focusField(int /*field*/) {}
};

class AUTHViewController {
  public:
    static constexpr int kFieldCount = 6;

    AUTHViewController(std::int64_t nServerDataIndex, std::string deviceTag,
                       std::weak_ptr<AUTHViewControllerDelegate> delegate,
                       std::weak_ptr<AuthCodeView> view = {});

    void viewDidLoad();
    // Whether a field may take this text (at most one character).
    bool shouldChangeText(int field, const std::string& newText) const;
    // A field's text changed (after shouldChangeText allowed it).
    void textDidChange(int field, const std::string& text);
    void cancel();

    const std::string& fieldText(int field) const {
        return fields_.at(static_cast<std::size_t>(field));
    }
    int focusedField() const { return focused_; }
    std::int64_t nServerDataIndex() const { return nServerDataIndex_; }
    const std::string& deviceTag() const { return deviceTag_; }

  private:
    void focus(int field);

    std::array<std::string, kFieldCount> fields_;
    std::int64_t nServerDataIndex_;
    std::string deviceTag_;
    std::weak_ptr<AUTHViewControllerDelegate> delegate_;
    std::weak_ptr<AuthCodeView> view_;
    int focused_ = -1;
    bool finished_ = false;
};

}  // namespace pd
