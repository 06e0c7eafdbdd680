// nerro-pack init: an example product folder to start from.
#include <ostream>

#include "config/config_check.h"
#include "tools/tool_commands.h"
#include "tools/tool_errors.h"
#include "tools/tool_example_product.h"
#include "tools/tool_files.h"
#include "tools/tool_pe.h"

namespace fs = std::filesystem;

namespace {

void writeNew(const fs::path& path, const std::string& bytes) {
    NewFile file(utf8Path(path));
    if (!file.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) || !file.Close())
        throw ToolError("cannot write " + utf8Path(path));
}

// The uninstall program of the architecture, as the build next to nerro-pack
// names it (nerro-uninstall-x64.exe in the 64-bit build).
fs::path uninstallProgramBeside(const fs::path& toolFolder, PeMachine arch) {
    return toolFolder /
           (arch == PeMachine::X64 ? "nerro-uninstall-x64.exe" : kUninstallProgramName);
}

}  // namespace

int runInit(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, 1, "init DIR [--arch x86|x64]");
    const PeMachine arch = parseArch(args.Value("arch", "x86"));
    const fs::path dir = pathFromUtf8(args.positional[0]);
    std::error_code error;
    if (fs::exists(dir, error) && !(fs::is_directory(dir, error) && fs::is_empty(dir, error)))
        throw ToolError(utf8Path(dir) + " already exists and is not an empty folder");
    fs::create_directories(dir, error);
    if (error) throw ToolError("cannot create folder " + utf8Path(dir));

    writeNew(dir / "Nerro.ini", kExampleIni);
    writeNew(dir / "English.clg", kExampleCatalogue);
    writeNew(dir / "logo.bmp", exampleLogo());
    writeNew(dir / "readme.txt", kExampleReadme);

    const fs::path uninstaller = uninstallProgramBeside(ctx.toolFolder, arch);
    const fs::path shipped = dir / kUninstallProgramName;
    if (fs::is_regular_file(uninstaller, error)) {
        fs::copy_file(uninstaller, shipped, error);
        if (error) throw ToolError("cannot write " + utf8Path(shipped));
    } else {
        ctx.err << "nerro-pack: note: no " << utf8Path(uninstaller.filename())
                << " next to nerro-pack: copy the uninstall program of the installer's build to "
                << utf8Path(shipped) << " before building\n";
    }
    ctx.out << utf8Path(dir) << ": example product written; build it with: nerro-pack build "
            << utf8Path(dir) << " -o SETUP.exe" << (arch == PeMachine::X64 ? " --arch x64" : "")
            << '\n';
    return kExitSuccess;
}
