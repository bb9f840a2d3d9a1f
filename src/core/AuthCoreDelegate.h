#pragma once
// What the screen in front receives from the core controller. Every call arrives on the main
// queue; a screen overrides the ones it needs.

#include "model/DirAndFileListData.h"
#include "model/WifiListItemData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

// The rows of one listing, shared by whoever holds them instead of copied.
using ListingRows = std::shared_ptr<const std::vector<DirAndFileListData>>;

class AuthCoreDelegate {
  public:
    virtual ~AuthCoreDelegate() = default;

    // A new link was opened and accepted. `deviceTag` is the computer's tag captured when the
    // connect started, so a list refreshed meanwhile cannot make the result name another row.
    virtual void AuthCoreCheckSucess(std::int64_t /*index*/, const std::string& /*checkCode*/,
                                     bool /*remember*/, const std::string& /*deviceTag*/) {}
    // An existing link was kept (connect mode 0).
    virtual void AuthCoreCheckSucess() {}
    // The connect was refused, or a folder listing answered result code 2.
    virtual void AuthCoreCheckError(std::int64_t /*index*/, const std::string& /*deviceTag*/) {}
    virtual void AuthCoreCheckUnkowError() {}
    virtual void AuthCoreConnectFailed() {}
    // A folder or class listing arrived with these rows (never null).
    virtual void AuthCoreListSucess(const ListingRows& /*rows*/) {}
    virtual void AuthCoreAddClassifySucess() {}
    virtual void AuthCoreDelClassifySucess() {}
    // Command numbers: 20 screen lock, 22 standby, 23 screen capture, 24 reboot, 25 shutdown.
    virtual void AuthCoreCommandSucess(int /*command*/,
                                       std::shared_ptr<const std::string> /*data*/) {}
    virtual void AuthCoreCommandFaile(int /*command*/) {}
    virtual void AuthCorePathSucess(const std::string& /*backupPath*/) {}
    virtual void AuthCoreListFinish(const std::vector<WifiListItemData>& /*clients*/) {}
    virtual void AuthCoreMsgPostSucess(std::int32_t /*handlePort*/, int /*plugType*/) {}
};

}  // namespace pd
