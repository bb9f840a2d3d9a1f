#include "model/RowName.h"

#include <algorithm>

namespace pd {

std::string rowNameFromComputerPath(std::string_view path) {
    std::string name(path);
    std::replace(name.begin(), name.end(), '\\', '/');
    if (!name.empty() && name.back() == '/') {
        name.pop_back();
    }
    return name;
}

}  // namespace pd
