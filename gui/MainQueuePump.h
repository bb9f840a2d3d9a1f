#pragma once
// Runs the application's main queue on Qt's event loop: the queue's wake hook posts one drain
// to this object's thread, so screens and delegates run on the interface thread, only when
// something was posted (no polling timer).

#include <QObject>

#include <atomic>

namespace pd::gui {

class MainQueuePump : public QObject {
    Q_OBJECT
  public:
    MainQueuePump();
    ~MainQueuePump() override;
    MainQueuePump(const MainQueuePump&) = delete;
    MainQueuePump& operator=(const MainQueuePump&) = delete;

  private:
    void drain();

    std::atomic<bool> queued_{false};
};

}  // namespace pd::gui
