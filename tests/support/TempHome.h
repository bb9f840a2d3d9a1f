#pragma once
// A fresh application home per test: a temporary folder set as AppHome, removed afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace pd::test {

// RAII form, for fixtures that already derive from something else. Nests: the home that was
// set before is set again afterwards.
class ScopedTempHome {
  public:
    ScopedTempHome();
    ~ScopedTempHome();
    ScopedTempHome(const ScopedTempHome&) = delete;
    ScopedTempHome& operator=(const ScopedTempHome&) = delete;

    const std::filesystem::path& home() const { return home_; }

  private:
    std::filesystem::path home_;
    std::optional<std::filesystem::path> previous_;
};

// Fixture: TEST_F(TempHome, ...) or derive from it.
class TempHome : public ::testing::Test {
  protected:
    const std::filesystem::path& home() const { return scoped_.home(); }

  private:
    ScopedTempHome scoped_;
};

}  // namespace pd::test

namespace pd {
using test::ScopedTempHome;
using test::TempHome;
}  // namespace pd
