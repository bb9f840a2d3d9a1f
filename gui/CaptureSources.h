#pragma once
// What QML's capture viewer shows for each capture: an image source (the bytes at hand as a
// data URL, else the file) and whether to draw the placeholder picture instead.

#include "controllers/CaptureViewer.h"

#include <QVariantList>

#include <vector>

namespace pd::gui {

// One map per image: {"source": url text, "placeholder": bool}.
QVariantList captureSources(const std::vector<CaptureImage>& images);

}  // namespace pd::gui
