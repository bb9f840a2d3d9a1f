#include "NetWork/PhoneMgrCommand.h"

#include <mutex>

namespace pd {

namespace {
std::mutex gFactoryMutex;
PhoneMgrCommandFactory gFactory;  // guarded by gFactoryMutex
}  // namespace

void setPhoneMgrCommandFactory(PhoneMgrCommandFactory factory) {
    std::lock_guard lock(gFactoryMutex);
    gFactory = std::move(factory);
}

std::shared_ptr<PhoneMgrCommand> makePhoneMgrCommand() {
    PhoneMgrCommandFactory factory;
    {
        std::lock_guard lock(gFactoryMutex);
        factory = gFactory;
    }
    return factory ? factory() : nullptr;
}

}  // namespace pd
