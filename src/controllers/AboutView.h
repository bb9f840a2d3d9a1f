#pragma once
// The view of the About screen: a title and a few rows of an icon and a text.

#include "controllers/ScreenView.h"

#include <string>
#include <vector>

namespace pd {

struct AboutRow {
    std::string icon;  // image name, e.g. "about_web"
    std::string text;  // display text
    std::string url;   // opened when the row is selected; empty: the row only informs

    bool operator==(const AboutRow&) const = default;
};

class AboutView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    virtual void setRows(const std::vector<AboutRow>& /*rows*/) {}
    virtual void openUrl(const std::string& /*url*/) {}
};

}  // namespace pd
