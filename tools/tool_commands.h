// The commands of nerro-pack. Each takes its parsed arguments, writes its
// results to ctx.out and its warnings and problems to ctx.err, and returns an
// exit status (tool_errors.h); a failure that ends the command is thrown as
// ToolError (or UsageError for a wrong command line) before anything it
// would change has been replaced.
#pragma once

#include <filesystem>
#include <iosfwd>

#include "tools/tool_args.h"

struct ToolContext {
    std::ostream& out;
    std::ostream& err;
    std::filesystem::path toolFolder;  // holds the default installer stub
    bool showProgress = false;         // draw progress bars on err
};

// Default installer stubs (--arch x86 and x64), looked for next to nerro-pack.
constexpr const char* kDefaultStubName = "nerro-setup.exe";
constexpr const char* kDefaultStubNameX64 = "nerro-setup-x64.exe";

int runBuild(const CommandArgs& args, ToolContext& ctx);
int runList(const CommandArgs& args, ToolContext& ctx);
int runInfo(const CommandArgs& args, ToolContext& ctx);
int runVerify(const CommandArgs& args, ToolContext& ctx);
int runExtract(const CommandArgs& args, ToolContext& ctx);
int runAdd(const CommandArgs& args, ToolContext& ctx);
int runRemove(const CommandArgs& args, ToolContext& ctx);
int runCompact(const CommandArgs& args, ToolContext& ctx);
int runInit(const CommandArgs& args, ToolContext& ctx);
