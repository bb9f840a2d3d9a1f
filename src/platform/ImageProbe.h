#pragma once
// Whether a file holds a picture, decided by its content (the image header), not its name.

#include <cstdio>

namespace pd {

// True when the open file starts with a JPEG, PNG, GIF or BMP header that gives a size. Reads
// the header only; the file position is restored.
bool isPictureFile(std::FILE* file);

}  // namespace pd
