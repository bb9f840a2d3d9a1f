// The settings file can be damaged by anything (a crash mid-write on an old version, a user's
// editor): open whatever it holds, read every kind of value, and write it back.
#include "platform/UserDefaults.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = [] {
        char tmpl[] = "/tmp/pocketdesk-fuzz-settings-XXXXXX";
        return std::filesystem::path(::mkdtemp(tmpl));
    }();
    const std::filesystem::path file = folder / "defaults.json";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    {
        pd::UserDefaults defaults(file);
        for (const char* key : {"LASTDEVICETAG", "RUNTAG", "ISONMGRFILE", ""}) {
            (void)defaults.stringForKey(key);
            (void)defaults.integerForKey(key);
            (void)defaults.boolForKey(key);
        }
        defaults.setString("RUNTAG", "2.1");
        (void)defaults.synchronize();
    }
    // What was written must read back.
    pd::UserDefaults again(file);
    if (again.stringForKey("RUNTAG") != "2.1" && again.hasKey("RUNTAG")) {
        __builtin_trap();
    }
    return 0;
}
