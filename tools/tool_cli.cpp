#include "tools/tool_cli.h"

#include <cstdlib>
#include <ostream>

#include "foundation/console_program.h"
#include "tools/tool_commands.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_version.h"

namespace fs = std::filesystem;

const char* const kPackToolHelp =
    "Usage: nerro-pack COMMAND ARGUMENTS...\n"
    "\n"
    "Builds Nerro installers and works on the payload packs inside them.\n"
    "\n"
    "Commands:\n"
    "  build PRODUCT_DIR -o SETUP.exe [--arch x86|x64] [--stub FILE] [--codec CODEC]\n"
    "        [--jobs N] [--sign-cert CERT --sign-key KEY [--sign-pass PASS] [--timestamp URL]]\n"
    "      Check PRODUCT_DIR/Nerro.ini, then write the installer stub followed by\n"
    "      a pack of Nerro.ini, logo.bmp, every *.clg and every file Nerro.ini\n"
    "      names. The stub defaults to nerro-setup.exe (--arch x86, the default)\n"
    "      or nerro-setup-x64.exe (--arch x64) next to nerro-pack. With --sign-cert\n"
    "      and --sign-key the installer is signed with osslsigncode.\n"
    "  list FILE\n"
    "      One line per entry: size, stored size, method, check value, name.\n"
    "  info FILE\n"
    "      Pack base, format version, entry count, data and dead-space bytes,\n"
    "      whether the file is signed.\n"
    "  verify FILE [--jobs N]\n"
    "      Decode every entry and compare its check value; say whether the file\n"
    "      is signed (the signature itself is checked by osslsigncode verify).\n"
    "  extract FILE [NAME...] [-o DIR] [--jobs N]\n"
    "      Write the named entries (all when none is named) below DIR\n"
    "      (default: the current folder).\n"
    "  add FILE PATH... [--name NAME] [--codec CODEC] [--jobs N] [--drop-signature]\n"
    "      Add files as entries named after them (or NAME, for one PATH). A file\n"
    "      without a pack gets one behind its contents.\n"
    "  remove FILE NAME... [--drop-signature]\n"
    "      Drop entries and their data.\n"
    "  compact FILE [--drop-signature]\n"
    "      Drop the space left by replaced and removed entries.\n"
    "  init DIR [--arch x86|x64]\n"
    "      Write an example product folder to start from, with the uninstall\n"
    "      program of --arch from next to nerro-pack.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH  the installer to write (build), the folder (extract)\n"
    "  --arch ARCH        x86 (default) or x64: the installer's architecture (build, init)\n"
    "  --stub FILE        the installer stub (build)\n"
    "  --codec CODEC      block (default), lz, zstd (level 19), zstd:LEVEL (1 to 19)\n"
    "                     or store\n"
    "  --name NAME        the entry name (add)\n"
    "  -j, --jobs N       threads that compress or decode entries side by side\n"
    "                     (build, add, verify, extract; default: one per core);\n"
    "                     the output is the same for every N\n"
    "  --sign-cert CERT   sign the installer with this certificate (build)\n"
    "  --sign-key KEY     and this private key (build)\n"
    "  --sign-pass PASS   the private key's password (build)\n"
    "  --timestamp URL    an RFC 3161 time-stamping server (build)\n"
    "  --drop-signature   remove the signature of a signed file to change it\n"
    "                     (add, remove, compact); sign it again afterwards\n"
    "  -h, --help         show this help\n"
    "  --version          show the version\n"
    "\n"
    "Files are changed through a temporary file beside them that replaces them\n"
    "only when complete. When SOURCE_DATE_EPOCH is set it stamps every new\n"
    "entry, so the same inputs give byte-identical files.\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage.\n";

namespace {

struct Command {
    const char* name;
    int (*run)(const CommandArgs&, ToolContext&);
    std::initializer_list<const char*> options;
    std::initializer_list<const char*> flags;
};

const Command kCommands[] = {
    {"build",
     runBuild,
     {"output", "arch", "stub", "codec", "jobs", "sign-cert", "sign-key", "sign-pass", "timestamp"},
     {}},
    {"list", runList, {}, {}},
    {"info", runInfo, {}, {}},
    {"verify", runVerify, {"jobs"}, {}},
    {"extract", runExtract, {"output", "jobs"}, {}},
    {"add", runAdd, {"name", "codec", "jobs"}, {"drop-signature"}},
    {"remove", runRemove, {}, {"drop-signature"}},
    {"compact", runCompact, {}, {"drop-signature"}},
    {"init", runInit, {"arch"}, {}},
};

int usageFailure(std::ostream& err, const std::string& reason) {
    err << "nerro-pack: " << reason << " (see nerro-pack --help)\n";
    return kExitUsage;
}

}  // namespace

int runPackTool(const std::vector<std::string>& args, const fs::path& toolFolder, std::ostream& out,
                std::ostream& err, bool showProgress) {
    if (args.empty()) return usageFailure(err, "no command given");
    const std::string& name = args[0];
    if (name == "-h" || name == "--help" || name == "help") {
        out << kPackToolHelp;
        return kExitSuccess;
    }
    if (name == "--version") {
        out << "nerro-pack " << kPackToolVersion << '\n';
        return kExitSuccess;
    }
    const Command* command = nullptr;
    for (const Command& candidate : kCommands)
        if (name == candidate.name) command = &candidate;
    if (!command) return usageFailure(err, "unknown command '" + name + "'");

    ToolContext ctx{out, err, toolFolder, showProgress};
    try {
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        const CommandArgs parsed = parseCommandArgs(name, rest, command->options, command->flags);
        if (parsed.help) {
            out << kPackToolHelp;
            return kExitSuccess;
        }
        return command->run(parsed, ctx);
    } catch (const UsageError& error) {
        return usageFailure(err, error.what());
    } catch (const ToolError& error) {
        err << "nerro-pack: " << error.what() << '\n';
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        err << "nerro-pack: out of memory\n";
        return kExitFailure;
    }
}

fs::path runningToolFolder(const std::string& argv0) {
    const std::string self = RunningProgramPath();
    if (!self.empty()) return pathFromUtf8(self).parent_path();
    std::error_code error;
    return fs::absolute(pathFromUtf8(argv0), error).parent_path();
}
