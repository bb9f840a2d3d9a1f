#include "app/AppInfo.h"

#include "platform/ToolPackage.h"

namespace pd::app {

std::string appVersion() {
    return ToolPackage::GetAppVersion();
}

}  // namespace pd::app
