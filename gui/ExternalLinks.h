#pragma once
// Opening an address outside the application (the project's page, a mail address) with the
// desktop's handler. Tests and the screenshot renderer replace the handler: nothing they do
// may open a browser.

#include <QString>

#include <functional>

namespace pd::gui {

using LinkOpener = std::function<void(const QString& url)>;

// Replaces the handler (the default one is the desktop's); an empty one opens nothing.
void setLinkOpener(LinkOpener opener);
void openExternalLink(const QString& url);

}  // namespace pd::gui
