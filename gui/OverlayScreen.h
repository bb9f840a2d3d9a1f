#pragma once
// A screen's view with its overlays shown by the window's one Overlay: every adapter derives
// from OverlayScreen<ItsView> and implements only what its screen adds.

#include "Overlay.h"

#include <QQmlEngine>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd::gui {

// Deletes a QObject adapter from the event loop, after the call that released it has returned
// and after QML has let go of it.
template <class T>
std::shared_ptr<T> makeAdapter(T* adapter) {
    QQmlEngine::setObjectOwnership(adapter, QQmlEngine::CppOwnership);
    return std::shared_ptr<T>(adapter, [](T* p) { p->deleteLater(); });
}

template <class View>
class OverlayScreen : public View {
  public:
    explicit OverlayScreen(Overlay& overlay) : overlay_(overlay) {}

    void showProgress(const std::string& key) override { overlay_.showProgress(key); }
    void hideProgress() override { overlay_.hideProgress(); }
    void showTip(const std::string& key, std::chrono::milliseconds duration) override {
        overlay_.showTip(key, duration);
    }
    void askConfirmation(const std::string& key, const std::vector<std::string>& buttons,
                         std::function<void(int)> answer) override {
        overlay_.ask(key, buttons, std::move(answer));
    }

  protected:
    Overlay& overlay_;
};

}  // namespace pd::gui
