// nerro-pack: builds installers and works on payload packs (tool_cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool_cli.h"
#include "tools/tool_files.h"
#include "tools/tool_progress.h"

int main(int argc, char** argv) {
    useNativeEncoding();
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runPackTool(args, runningToolFolder(argc > 0 ? argv[0] : nullptr), std::cout, std::cerr,
                       stderrIsTerminal());
}
