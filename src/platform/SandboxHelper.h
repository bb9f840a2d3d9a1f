#pragma once
// The application's folders, all inside the home (see AppHome). Paths carry no trailing "/".

#include <string>

namespace pd {

class SandboxHelper {
  public:
    static std::string homePath();
    // Where user applications would live; nothing of ours is kept there.
    static std::string appPath();
    static std::string docPath();
    // The user-data folder: captures, downloads and the files the computer may manage.
    static std::string docPathEx();
    static std::string libPrefPath();
    static std::string libCachePath();
    static std::string tmpPath();
    // The platform temporary directory: the same folder as tmpPath().
    static std::string tmpDir();
    // False if the path exists; otherwise creates it as a folder with its parents and returns
    // whether that worked.
    static bool hasLive(const std::string& path);
};

}  // namespace pd
