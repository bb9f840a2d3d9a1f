#include "AboutAdapter.h"

#include "ExternalLinks.h"

#include "controllers/AboutViewController.h"

#include <QVariantMap>

namespace pd::gui {

AboutAdapter::AboutAdapter(Overlay& overlay, std::shared_ptr<AboutViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void AboutAdapter::select(int row) {
    if (row >= 0) {
        controller_->didSelectRow(static_cast<std::size_t>(row));
    }
}

void AboutAdapter::back() {
    emit closed();
}

void AboutAdapter::setTitle(const std::string& key) {
    title_ = displayText(key);
    emit changed();
}

void AboutAdapter::setRows(const std::vector<AboutRow>& rows) {
    rows_.clear();
    for (const AboutRow& row : rows) {
        rows_.append(QVariantMap{{"icon", QString::fromStdString(row.icon)},
                                 {"text", QString::fromStdString(row.text)},
                                 {"url", QString::fromStdString(row.url)}});
    }
    emit changed();
}

void AboutAdapter::openUrl(const std::string& url) {
    openExternalLink(QString::fromStdString(url));
}

}  // namespace pd::gui
