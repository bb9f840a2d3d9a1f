#pragma once
// Path texts of the browser screens: "/" separated, as the rows and the computer write them.

#include <string>
#include <string_view>

namespace pd {

// "C:/Music/a.mp3" -> "a.mp3"; trailing separators are ignored ("D:/Data/" -> "Data").
std::string lastPathComponent(std::string_view path);
// "C:/Music/a.mp3" -> "C:/Music", "C:/Music/" -> "C:", "C:/" -> "", "/x" -> "/", "x" -> "".
// Trailing separators are ignored on both sides of the cut ("C:/Music//a.mp3" -> "C:/Music").
std::string deletingLastPathComponent(std::string_view path);

}  // namespace pd
