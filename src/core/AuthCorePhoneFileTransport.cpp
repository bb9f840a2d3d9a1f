#include "core/AuthCore.h"
#include "core/PhoneFileTransport.h"

namespace pd {

namespace {

class AuthCoreTransport : public PhoneFileTransport {
  public:
    bool connect(int port) override {
        AuthCore& core = AuthCore::ShareInstance();
        return core.PhoneFileUpConnect(core.phoneFileComputer(), port);
    }
    bool send(std::shared_ptr<UploadSource> source, std::function<void(bool)> done) override {
        return AuthCore::ShareInstance().PhoneFileUpSendData(std::move(source), std::move(done));
    }
};

}  // namespace

std::shared_ptr<PhoneFileTransport> authCorePhoneFileTransport() {
    return std::make_shared<AuthCoreTransport>();
}

}  // namespace pd
