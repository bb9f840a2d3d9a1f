#pragma once
// One image of the capture viewer: a capture's file, and its bytes when they are at hand (a
// capture just taken is shown even if its file could not be written).

#include <memory>
#include <string>

namespace pd {

struct CaptureImage {
    std::string path;                          // the file; may be empty for an unsaved capture
    std::shared_ptr<const std::string> bytes;  // the encoded picture, or null: read `path`
    bool placeholder = false;                  // the file is no picture: show a placeholder

    bool operator==(const CaptureImage&) const = default;
};

}  // namespace pd
