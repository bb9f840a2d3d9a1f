#pragma once
// The device's accelerometer as shakes: each shake it sees is reported to
// MotionEvents::shared(), where the backup screen hears it. Without an accelerometer (a desktop,
// or only Qt's stand-in backend) it does nothing.

#include "ShakeGesture.h"

#include <QObject>

#include <memory>

class QAccelerometer;

namespace pd::gui {

class ShakeSensor : public QObject {
    Q_OBJECT

  public:
    ShakeSensor();
    ~ShakeSensor() override;

    // Whether a real accelerometer is being read.
    bool active() const { return sensor_ != nullptr; }

  private:
    void readingChanged();

    std::unique_ptr<QAccelerometer> sensor_;
    ShakeGesture gesture_;
};

}  // namespace pd::gui
