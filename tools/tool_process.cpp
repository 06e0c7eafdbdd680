#include "tools/tool_process.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <process.h>

#include <cstdio>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "foundation/utf8.h"

namespace {

#ifdef _WIN32
// The C run-time joins the arguments with spaces: each is quoted the way the
// receiving program's run-time splits them again.
std::string quotedArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}
#endif

}  // namespace

#ifdef _WIN32
int runExternalProgram(const std::string& program, const std::vector<std::string>& args) {
    // Arguments are UTF-8: they go to the program as the wide command line.
    std::vector<std::wstring> quoted{Utf8ToWide(quotedArgument(program))};
    for (const std::string& arg : args)
        quoted.push_back(Utf8ToWide(quotedArgument(arg)));
    std::vector<const wchar_t*> argv;
    for (const std::wstring& arg : quoted)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    // The child inherits standard output from ours: it points at standard
    // error while the child runs.
    std::fflush(stdout);
    const int savedOutput = _dup(1);
    if (savedOutput >= 0) _dup2(2, 1);
    const intptr_t status = _wspawnvp(_P_WAIT, Utf8ToWide(program).c_str(), argv.data());
    const int spawnError = errno;
    if (savedOutput >= 0) {
        _dup2(savedOutput, 1);
        _close(savedOutput);
    }
    if (status == -1) return spawnError == ENOENT ? kProgramNotFound : -2;
    return static_cast<int>(status);
}
#else
int runExternalProgram(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t child = 0;
    const int started =
        posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return started == ENOENT ? kProgramNotFound : -2;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}
#endif
