#pragma once
// Runs the terminal front-end as a user types a command, for the integration tests.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace pd::test {

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ran {
    int status = -1;
    std::string out;
    std::string err;

    nlohmann::json document() const { return nlohmann::json::parse(out, nullptr, false); }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
};

// Starts `pocketdesk ARGS` with `input` on stdin (empty: no input at all) and its output in
// `scratch`/out and /err. Only async-signal-safe calls between fork and exec, as the test
// process has threads.
inline pid_t startCli(std::vector<std::string> args, const std::filesystem::path& scratch,
                      const std::string& input = {}) {
    args.insert(args.begin(), POCKETDESK_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string files[3] = {(scratch / "in").string(), (scratch / "out").string(),
                                  (scratch / "err").string()};
    std::ofstream(files[0], std::ios::binary) << input;
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int fd = 0; fd < 3; ++fd)
            ::dup2(::open(files[fd].c_str(), fd ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY, 0600),
                   fd);
        ::execv(POCKETDESK_CLI_PATH, argv.data());
        ::_exit(127);
    }
    return pid;
}

inline Ran finishCli(pid_t pid, const std::filesystem::path& scratch) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(scratch / "out"),
            slurp(scratch / "err")};
}

inline Ran runCli(std::vector<std::string> args, const std::filesystem::path& scratch,
                  const std::string& input = {}) {
    return finishCli(startCli(std::move(args), scratch, input), scratch);
}

}  // namespace pd::test
