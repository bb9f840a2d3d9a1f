#include "model/PcList.h"

#include "model/ObjectStore.h"

namespace pd {

std::vector<std::shared_ptr<PcList>> allPcList(ObjectStore& store) {
    return store.fetch<PcList>();
}

std::shared_ptr<PcList> pcListByDeviceTag(ObjectStore& store, const std::string& tag) {
    const auto found =
        store.fetch<PcList>([&tag](const PcList& record) { return record.deviceTag == tag; }, 1);
    return found.empty() ? nullptr : found.front();
}

bool addPcList(ObjectStore& store, const std::string& tag, bool bcheck,
               const std::string& checkCode, std::chrono::system_clock::time_point now) {
    PcList record;
    record.deviceTag = tag;
    record.bcheck = bcheck;
    record.checkCode = checkCode;
    record.connectDate = ObjectStore::dateValue(now);
    store.insert(std::move(record));
    return store.saveContext();
}

bool updatePcList(ObjectStore& store, PcList& record, bool bcheck, const std::string& checkCode,
                  std::chrono::system_clock::time_point now) {
    record.bcheck = bcheck;
    record.checkCode = checkCode;
    record.connectDate = ObjectStore::dateValue(now);
    return store.saveContext();
}

bool rememberPcAddress(ObjectStore& store, PcList& record, const std::string& ip,
                       const std::string& name, const std::string& hwAddress) {
    const std::string hw = hwAddress.empty() ? record.hwAddress : hwAddress;
    if (record.ipAddress == ip && record.pcName == name && record.hwAddress == hw) {
        return true;  // nothing new: no transaction
    }
    record.ipAddress = ip;
    record.pcName = name;
    record.hwAddress = hw;
    return store.saveContext();
}

}  // namespace pd
