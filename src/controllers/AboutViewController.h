#pragma once
// The About screen: the version, the project's page, and what the connection to the computer
// protects and what it does not.
//
// Main queue only.

#include "controllers/AboutView.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace pd {

class AboutViewController {
  public:
    explicit AboutViewController(std::weak_ptr<AboutView> view) : view_(std::move(view)) {}
    void setView(std::weak_ptr<AboutView> view) { view_ = std::move(view); }

    // The rows, in order, with their display texts.
    static std::vector<AboutRow> rows();

    void viewDidLoad();
    // Opens the row's address, if it has one.
    void didSelectRow(std::size_t row);

  private:
    std::weak_ptr<AboutView> view_;
};

}  // namespace pd
