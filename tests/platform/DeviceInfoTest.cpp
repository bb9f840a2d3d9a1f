#include "platform/DeviceInfo.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace pd {
namespace {

namespace fs = std::filesystem;

class DeviceInfoTest : public TempHome {
  protected:
    fs::path machineId() const { return home() / "machine-id"; }
    fs::path keep() const { return home() / "Library" / "vendor-id"; }
};

TEST_F(DeviceInfoTest, MachineIdBecomesACanonicalUuidElseARandomOneIsKept) {
    std::ofstream(machineId()) << "0123456789abcdef0123456789ABCDEF\n";
    EXPECT_EQ(DeviceInfo::vendorIdentifierFrom(machineId(), keep()),
              "01234567-89AB-CDEF-0123-456789ABCDEF");
    EXPECT_FALSE(fs::exists(keep())) << "a usable machine id needs nothing kept";
    EXPECT_FALSE(DeviceInfo::isCanonicalUuid("01234567-89ab-CDEF-0123-456789ABCDEF"));
    EXPECT_FALSE(DeviceInfo::isCanonicalUuid("0123456789AB-CDEF-0123-456789ABCDEF"));

    // This machine's, whatever its machine id.
    const std::string id = DeviceInfo::vendorIdentifier();
    EXPECT_TRUE(DeviceInfo::isCanonicalUuid(id)) << id;
    EXPECT_EQ(DeviceInfo::vendorIdentifier(), id);

    // Without a usable machine id a random id is kept, readable by its owner only, and reused.
    for (const char* bad : {"", "uninitialized\n", "0123456789abcdef0123456789abcde\n",
                            "0123456789abcdef0123456789abcdefg"}) {
        std::ofstream(machineId(), std::ios::trunc) << bad;
        fs::remove(keep());
        const std::string first = DeviceInfo::vendorIdentifierFrom(machineId(), keep());
        EXPECT_TRUE(DeviceInfo::isCanonicalUuid(first)) << first;
        EXPECT_EQ(first[14], '4') << "a random (version 4) UUID";
        EXPECT_EQ(DeviceInfo::vendorIdentifierFrom(machineId(), keep()), first);
        EXPECT_EQ(DeviceInfo::vendorIdentifierFrom(home() / "absent", keep()), first);
    }
    struct stat info {};
    ASSERT_EQ(::stat(keep().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);

    // A kept id that is not a UUID is replaced by a fresh one; another fresh one differs.
    std::ofstream(keep(), std::ios::trunc) << "not-a-uuid";
    const std::string fresh = DeviceInfo::vendorIdentifierFrom(home() / "absent", keep());
    EXPECT_TRUE(DeviceInfo::isCanonicalUuid(fresh));
    EXPECT_EQ(DeviceInfo::vendorIdentifierFrom(home() / "absent", keep()), fresh);
    fs::remove(keep());
    EXPECT_NE(DeviceInfo::vendorIdentifierFrom(home() / "absent", keep()), fresh);
}

}  // namespace
}  // namespace pd
