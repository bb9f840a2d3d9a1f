#pragma once
// Facts about the application that a front-end shows (its version in --version, About).

#include <string>

namespace pd::app {

// The version text, for example "2.1".
std::string appVersion();

}  // namespace pd::app
