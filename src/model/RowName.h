#pragma once
// Display name of a browser row from a computer-side path.

#include <string>
#include <string_view>

namespace pd {

// Backslashes become "/" and one trailing "/" is removed: "C:\" gives "C:", "D:\Data\" gives
// "D:/Data", "/" gives "".
std::string rowNameFromComputerPath(std::string_view path);

}  // namespace pd
