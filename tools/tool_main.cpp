// nerro-pack: builds installers and works on payload packs (tool_cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "foundation/console_program.h"
#include "tools/tool_cli.h"
#include "tools/tool_progress.h"

int main(int argc, char** argv) {
    // Arguments, names and messages are UTF-8 throughout.
    UseUtf8Console();
    const std::vector<std::string> program = ProgramArguments(argc, argv);
    const std::vector<std::string> args(program.empty() ? program.begin() : program.begin() + 1,
                                        program.end());
    return runPackTool(args, runningToolFolder(program.empty() ? "" : program[0]), std::cout,
                       std::cerr, stderrIsTerminal());
}
