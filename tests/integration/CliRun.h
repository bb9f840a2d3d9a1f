#pragma once
// Runs the terminal front-end as a user types a command, for the integration tests.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pd::test {

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// `pocketdesk ARGS` with stdin from /dev/null, its output kept in `scratch`/out and /err. Only
// async-signal-safe calls between fork and exec, as the test process has threads.
inline Ran runCli(std::vector<std::string> args, const std::filesystem::path& scratch) {
    args.insert(args.begin(), POCKETDESK_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string out = (scratch / "out").string();
    const std::string err = (scratch / "err").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::execv(POCKETDESK_CLI_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}

}  // namespace pd::test
