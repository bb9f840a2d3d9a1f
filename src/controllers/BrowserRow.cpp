#include "controllers/BrowserRow.h"

namespace pd {

const char* rowKindName(BrowserRowKind kind) {
    switch (kind) {
        case BrowserRowKind::Desktop:
            return "desktop";
        case BrowserRowKind::SystemDrive:
            return "system drive";
        case BrowserRowKind::Drive:
            return "drive";
        case BrowserRowKind::ClassFolder:
            return "class folder";
        case BrowserRowKind::Folder:
            return "folder";
        case BrowserRowKind::File:
            return "file";
        case BrowserRowKind::Other:
            break;
    }
    return "other";
}

}  // namespace pd
