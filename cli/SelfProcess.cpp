#include "SelfProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace pd::cli {

pid_t startSelf(const Output& out, const std::vector<std::string>& args, const std::string& note) {
    std::string shown = "pocketdesk";
    for (const auto& a : args) {
        shown += " " + a;
    }
    out.say("   $ " + shown + (note.empty() ? "" : "   " + note));
    flushStdout();  // what was printed so far comes before the child's output
    std::vector<std::string> store{"pocketdesk"};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : store) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    // With --json or --json-lines stdout holds only the caller's own JSON: the child's output,
    // meant for people, goes to stderr.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!out.text()) {
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int waitSelf(pid_t pid) {
    if (pid < 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pd::cli
