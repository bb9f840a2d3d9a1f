#include "PeerOptions.h"

#include "platform/Md5.h"

namespace pd::peer {

namespace fs = std::filesystem;

static fs::path withoutTrailingSeparator(const fs::path& p) {
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    if (ec) {
        abs = p;
    }
    abs = abs.lexically_normal();
    if (!abs.has_filename() && abs.has_parent_path() && abs != abs.root_path()) {
        abs = abs.parent_path();
    }
    return abs;
}

fs::path defaultClassesFile(const fs::path& root) {
    fs::path base = withoutTrailingSeparator(root);
    return fs::path(base.string() + ".classes.json");
}

std::string defaultTag(const fs::path& root) {
    return md5HexUpper(withoutTrailingSeparator(root).string()).substr(8, 16);
}

}  // namespace pd::peer
