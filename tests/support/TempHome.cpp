#include "support/TempHome.h"

#include "platform/AppHome.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace pd::test {

ScopedTempHome::ScopedTempHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pocketdesk-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary home");
    }
    home_ = pattern;
    previous_ = AppHome::explicitPath();
    AppHome::set(home_);
    AppHome::path();  // lays out the standard folders, as a real home has them
}

ScopedTempHome::~ScopedTempHome() {
    if (previous_) {
        AppHome::set(*previous_);
    } else {
        AppHome::reset();
    }
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
}

}  // namespace pd::test
