#pragma once
// Writing a whole buffer to a descriptor, across short writes and interrupted calls.

#include <cstddef>

namespace pd::peer {

// False when a write fails or writes nothing; what was written stays written.
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace pd::peer
