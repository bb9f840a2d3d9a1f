#pragma once
// The demo's closing table: one row per capability with how it went and how long it took.

#include "DemoSteps.h"

#include <functional>
#include <string>
#include <vector>

namespace pd::cli {

class DemoTable {
  public:
    struct Row {
        std::string capability;
        Reason failure;  // empty: ok
        double seconds = 0;
    };

    // Says `title`, runs `step` and keeps its row with the time it took.
    void run(const Output& out, const std::string& capability, const std::string& title,
             const std::function<Reason()>& step);
    // A row for a step that could not run at all.
    void add(std::string capability, Reason failure) {
        rows_.push_back({std::move(capability), std::move(failure), 0});
    }

    bool allOk() const;
    const std::vector<Row>& rows() const { return rows_; }
    // The table, aligned, on stdout (with --json the document {"steps": [...], "ok": ...}).
    void print(const Output& out) const;

  private:
    std::vector<Row> rows_;
};

}  // namespace pd::cli
