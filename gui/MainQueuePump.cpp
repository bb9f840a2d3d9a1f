#include "MainQueuePump.h"

#include "app/MainLoop.h"

#include <QMetaObject>

namespace pd::gui {

MainQueuePump::MainQueuePump() {
    app::setMainWakeHook([this] {
        // One drain in flight is enough: it runs everything posted before it starts.
        if (!queued_.exchange(true)) {
            QMetaObject::invokeMethod(this, &MainQueuePump::drain, Qt::QueuedConnection);
        }
    });
}

MainQueuePump::~MainQueuePump() {
    app::setMainWakeHook({});
}

void MainQueuePump::drain() {
    queued_ = false;
    app::pollMainQueue();
}

}  // namespace pd::gui
