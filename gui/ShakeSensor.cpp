#include "ShakeSensor.h"

#include <QAccelerometer>

namespace pd::gui {

namespace {

// The backend of a real device, if any: Qt's "dummy" backend reports made-up readings.
QByteArray realBackend() {
    for (const QByteArray& id : QSensor::sensorsForType(QAccelerometer::sensorType)) {
        if (!id.startsWith("dummy")) {
            return id;
        }
    }
    return {};
}

}  // namespace

ShakeSensor::ShakeSensor() {
    const QByteArray backend = realBackend();
    if (backend.isEmpty()) {
        return;
    }
    auto sensor = std::make_unique<QAccelerometer>();
    sensor->setIdentifier(backend);
    // Gravity included: the gesture measures jolts against it.
    sensor->setAccelerationMode(QAccelerometer::Combined);
    connect(sensor.get(), &QSensor::readingChanged, this, &ShakeSensor::readingChanged);
    if (sensor->start()) {
        sensor_ = std::move(sensor);
    }
}

ShakeSensor::~ShakeSensor() {
    if (sensor_) {
        sensor_->stop();
    }
}

void ShakeSensor::readingChanged() {
    const QAccelerometerReading* r = sensor_ ? sensor_->reading() : nullptr;
    if (r == nullptr) {
        return;
    }
    const auto phase = gesture_.feed(r->x(), r->y(), r->z(), r->timestamp());
    if (phase == MotionPhase::Began) {
        MotionEvents::shared().motionBegan(MotionType::Shake);
    } else if (phase == MotionPhase::Ended) {
        MotionEvents::shared().motionEnded(MotionType::Shake);
    }
}

}  // namespace pd::gui
