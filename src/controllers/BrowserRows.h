#pragma once
// The rows of a folder screen, made on demand from the listing they show: a folder of 100,000
// entries costs its listing and nothing more until a row is asked for. Copies are cheap and
// stay valid after the screen is gone.

#include "controllers/BrowserRow.h"

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace pd {

class BrowserRows {
  public:
    using Maker = std::function<BrowserRow(std::size_t)>;

    BrowserRows() = default;
    BrowserRows(std::size_t count, Maker make) : count_(count), make_(std::move(make)) {}

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Row `i` (i < size()).
    BrowserRow operator[](std::size_t i) const { return make_(i); }
    std::vector<BrowserRow> all() const {
        std::vector<BrowserRow> out;
        out.reserve(count_);
        for (std::size_t i = 0; i < count_; ++i) {
            out.push_back(make_(i));
        }
        return out;
    }

  private:
    std::size_t count_ = 0;
    Maker make_;
};

}  // namespace pd
