// A console program's arguments, path and console off Windows: the arguments
// are bytes as they came, and a terminal shows UTF-8 as it is written.
#include <limits.h>
#include <unistd.h>

#include <vector>

#include "foundation/console_program.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {}

std::string RunningProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return {};
    return std::string(path, static_cast<size_t>(length));
}
