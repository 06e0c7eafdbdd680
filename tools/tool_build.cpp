// nerro-pack build: an installer from a product folder.
#include <optional>
#include <ostream>
#include <set>
#include <vector>

#include "config/config_check.h"
#include "config/install_config.h"
#include "foundation/text_decoding.h"
#include "foundation/tinifile.h"
#include "tools/tool_add_files.h"
#include "tools/tool_commands.h"
#include "tools/tool_entry_names.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_pack_open.h"
#include "tools/tool_pe.h"
#include "tools/tool_pe_resources.h"
#include "tools/tool_product_checks.h"
#include "tools/tool_progress.h"
#include "tools/tool_signing.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "build PRODUCT_DIR -o SETUP.exe [--arch x86|x64] [--stub FILE] [--codec CODEC] "
    "[--jobs N] [--sign-cert CERT --sign-key KEY [--sign-pass PASS] [--timestamp URL]]";

// Deletes the file at path, if any, when it goes.
struct RemovedAtEnd {
    explicit RemovedAtEnd(std::string file) : path(std::move(file)) {}
    ~RemovedAtEnd() {
        std::error_code ignored;
        fs::remove(pathFromUtf8(path), ignored);
    }
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;
    const std::string path;
};

bool isProductFile(const fs::path& dir, const std::string& name) {
    // A name that would leave the folder names no file of the product.
    if (!unsafeEntryNameReason(name).empty()) return false;
    std::error_code error;
    return fs::is_regular_file(dir / entryRelativePath(name), error);
}

// Reads and checks the configuration; prints every problem. False when the
// product cannot be built.
bool checkProduct(const fs::path& dir, InstallConfiguration& config, std::ostream& err) {
    const fs::path iniPath = dir / kConfigEntryName;
    std::error_code error;
    if (!fs::is_regular_file(iniPath, error))
        throw ToolError(std::string("no ") + kConfigEntryName + " in " + utf8Path(dir));
    const std::string bytes = readWholeFile(iniPath);
    TIniFile ini;
    // A text the installer cannot read has been named by checkProductFiles.
    if (!ParseTextFile(ini, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                       kConfigCodePageSection))
        return false;
    ReadConfiguration(ini, config);

    const ProductFiles files{"the product folder",
                             [&dir](const std::string& name) { return isProductFile(dir, name); }};
    const std::vector<ConfigProblem> problems = CheckConfiguration(config, files);
    for (const ConfigProblem& problem : problems) {
        err << "nerro-pack: " << (problem.severity == ConfigSeverity::Warning ? "warning: " : "")
            << kConfigEntryName << ": " << problem.text << '\n';
    }
    return !HasConfigErrors(problems);
}

// Nerro.ini, logo.bmp, every *.clg of the folder and every file the
// configuration names, each once, in the pack's name order: the same folder
// always gives the same pack, laid out as Compact would leave it.
std::vector<FileToAdd> collectEntries(const fs::path& dir, const InstallConfiguration& config) {
    std::set<std::string, PackNameLess> names = {kConfigEntryName, kLogoEntryName};
    for (const FileEntry& file : config.files)
        names.insert(file.name);
    for (const fs::directory_entry& item : fs::directory_iterator(dir)) {
        const std::string name = utf8Path(item.path().filename());
        const bool isCatalogue = name.size() > 4 && name.compare(name.size() - 4, 4, ".clg") == 0;
        if (isCatalogue && item.is_regular_file()) names.insert(name);
    }
    std::vector<FileToAdd> entries;
    for (const std::string& name : names) {
        FileToAdd entry{name, dir / entryRelativePath(name)};
        std::error_code error;
        entry.size = fs::file_size(entry.file, error);
        if (error) throw ToolError("cannot read " + utf8Path(entry.file));
        entries.push_back(entry);
    }
    return entries;
}

// True when path, with every link on its way followed, still lies in folder.
bool staysInside(const fs::path& folder, const fs::path& path) {
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) return false;
    const fs::path real = fs::canonical(path, error);
    if (error) return false;
    auto part = real.begin();
    for (const fs::path& rootPart : root) {
        if (part == real.end() || *part != rootPart) return false;
        ++part;
    }
    return true;
}

// A file of the product reached through a link to elsewhere (a readme that
// links to a system file, a docs folder that links to /etc) would carry
// files the vendor never meant to ship: each is named and refused.
bool entriesStayInside(const fs::path& dir, const std::vector<FileToAdd>& entries,
                       std::ostream& err) {
    bool inside = true;
    for (const FileToAdd& entry : entries) {
        if (staysInside(dir, entry.file)) continue;
        err << "nerro-pack: refusing to pack " << utf8Path(entry.file)
            << ": a link leads outside the product folder\n";
        inside = false;
    }
    return inside;
}

// The installer stub: --stub, else the stub of --arch (default x86) next to
// nerro-pack. A stub of the other architecture than --arch asks for is refused.
fs::path findStub(const CommandArgs& args, const fs::path& toolFolder) {
    std::error_code error;
    const bool archGiven = args.Has("arch");
    const PeMachine arch = parseArch(args.Value("arch", "x86"));
    fs::path stub;
    if (args.Has("stub")) {
        stub = pathFromUtf8(args.Value("stub"));
        if (!fs::is_regular_file(stub, error))
            throw ToolError("installer stub not found: " + utf8Path(stub));
    } else {
        const char* name = arch == PeMachine::X64 ? kDefaultStubNameX64 : kDefaultStubName;
        stub = toolFolder / name;
        if (!fs::is_regular_file(stub, error)) {
            throw ToolError(std::string("installer stub not found: no ") + name +
                            " next to nerro-pack (build the installer first, or name one with "
                            "--stub)");
        }
    }
    if (isSignedFile(utf8Path(stub))) {
        throw ToolError("the stub " + utf8Path(stub) +
                        " is signed: build from the unsigned stub and sign the installer "
                        "(--sign-cert, --sign-key)");
    }
    const PeMachine machine = readPeMachine(stub);
    if (archGiven && machine != PeMachine::None && machine != arch) {
        throw ToolError("the stub " + utf8Path(stub) + " is an " + peMachineName(machine) +
                        " installer, not " + peMachineName(arch));
    }
    return stub;
}

// A 64-bit installer keeps its record in the 64-bit registry view, where only
// the 64-bit uninstall program looks (and the other way round): the product's
// uninstall program must be built for the stub's architecture.
void checkUninstallProgram(const fs::path& dir, const InstallConfiguration& config,
                           const fs::path& stub) {
    const PeMachine installer = readPeMachine(stub);
    if (installer == PeMachine::None) return;
    for (const FileEntry& file : config.files) {
        if (!IsUninstallProgram(file)) continue;
        const fs::path path = dir / entryRelativePath(file.name);
        const PeMachine program = readPeMachine(path);
        if (program == PeMachine::None || program == installer) continue;
        throw ToolError(utf8Path(path) + " is an " + peMachineName(program) +
                        " program but the installer is " + peMachineName(installer) +
                        ": ship the uninstall program of the installer's build" +
                        (installer == PeMachine::X64 ? " (nerro-uninstall-x64.exe, renamed)" : ""));
    }
}

void checkOutput(const std::string& output) {
    std::error_code error;
    if (fs::is_directory(pathFromUtf8(output), error)) throw ToolError(output + " is a folder");
    const fs::path folder = pathFromUtf8(output).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, error))
        throw ToolError("no folder " + utf8Path(folder) + " for " + output);
}

// The icon of the product folder, when it has one, replaces the installer's.
constexpr const char* kProductIconName = "setup.ico";

// The stub's image with the product's version information and icon among
// its resources (tool_pe_resources.h). A file that is no PE image at all is
// taken as it is. Nothing is written: a damaged stub or icon is refused first.
std::string stampedStub(const fs::path& stub, const fs::path& dir,
                        const InstallConfiguration& config, const std::string& output) {
    std::string image = readWholeFile(stub);
    if (!isPeImage(image)) return image;
    // The pack's trailer ends a file that holds one; the new resources would hide it.
    if (image.size() >= 16 && image.compare(image.size() - 16, 4, "sRBV") == 0)
        throw ToolError("the stub " + utf8Path(stub) + " already holds a pack");
    PeResourceTree tree;
    try {
        tree = readPeResources(image);
    } catch (const PeResourceError& problem) {
        throw ToolError("the stub " + utf8Path(stub) + ": " + problem.what() + "; nothing written");
    }
    const InstallSettings& settings = config.settings;
    const ProductIdentity identity{settings.productName, settings.version, settings.publisher,
                                   settings.noticeText,
                                   utf8Path(pathFromUtf8(output).filename())};
    PeResourceNames& versions = tree[PeResourceKey::Id(kResourceVersion)];
    versions.erase(PeResourceKey::Id(1));
    versions[PeResourceKey::Id(1)][PeResourceKey::Id(kLanguageNeutral)] =
        PeResourceData{versionInfoResource(identity), 0};

    const fs::path icon = dir / kProductIconName;
    std::error_code error;
    if (fs::is_regular_file(icon, error)) {
        try {
            replaceIcons(tree, readWholeFile(icon), installerIconGroups());
        } catch (const PeResourceError& problem) {
            throw ToolError(utf8Path(icon) + ": " + problem.what() + "; nothing written");
        }
    }
    try {
        return writePeResources(image, tree);
    } catch (const PeResourceError& problem) {
        throw ToolError("the stub " + utf8Path(stub) + ": " + problem.what() + "; nothing written");
    }
}

// Writes the stub's image and a pack of the entries into the working file work.
void writeInstaller(const std::string& work, const fs::path& stub, const std::string& image,
                    const std::vector<FileToAdd>& entries, uint32_t mode, unsigned jobs,
                    ToolContext& ctx) {
    {
        NewFile file(work);
        if (!file.Write(reinterpret_cast<const uint8_t*>(image.data()), image.size()) ||
            !file.Close())
            throw ToolError("cannot write " + work);
    }
    std::error_code error;
    // As a copy would be.
    fs::permissions(pathFromUtf8(work), fs::status(stub, error).permissions(), error);
    auto pack = openPackToChange(work, utf8Path(stub));
    if (pack->GetCount() != 0 || pack->GetPackBase() != image.size())
        throw ToolError("the stub " + utf8Path(stub) + " already holds a pack");
    uint64_t total = 0;
    for (const FileToAdd& entry : entries)
        total += entry.size;
    ProgressBar bar(ctx.err, ctx.showProgress, total);
    addFilesToPack(*pack, entries, mode, jobs, "the pack", bar);
    pack->Flush();
    if (pack->IsFailed()) throw ToolError("cannot write " + work);
}

}  // namespace

int runBuild(const CommandArgs& args, ToolContext& ctx) {
    expectPositional(args, 1, 1, kUsage);
    if (!args.Has("output")) throw UsageError("usage: nerro-pack " + std::string(kUsage));
    const uint32_t mode = parseCodec(args.Value("codec", "block"));
    const unsigned jobs = parseJobs(args);
    parseArch(args.Value("arch", "x86"));  // a wrong value is told before any other work
    const std::optional<SigningOptions> signing = signingOptions(args);
    const fs::path dir = pathFromUtf8(args.positional[0]);
    const std::string output = args.Value("output");

    std::error_code error;
    if (!fs::is_directory(dir, error)) throw ToolError("no product folder " + utf8Path(dir));
    InstallConfiguration config;
    const bool filesFine = checkProductFiles(dir, ctx.err);
    if (!checkProduct(dir, config, ctx.err) || !filesFine) return kExitFailure;
    const std::vector<FileToAdd> entries = collectEntries(dir, config);
    if (!entriesStayInside(dir, entries, ctx.err)) return kExitFailure;
    const fs::path stub = findStub(args, ctx.toolFolder);
    checkUninstallProgram(dir, config, stub);
    checkOutput(output);
    const std::string image = stampedStub(stub, dir, config, output);

    ReplacingFile replacing(output);
    if (signing) {
        // The signing tool writes the signed installer as the working file.
        const RemovedAtEnd unsignedFile(replacing.TempPath() + ".unsigned");
        writeInstaller(unsignedFile.path, stub, image, entries, mode, jobs, ctx);
        signInstaller(unsignedFile.path, replacing.TempPath(), *signing);
    } else {
        writeInstaller(replacing.TempPath(), stub, image, entries, mode, jobs, ctx);
    }
    // Read back before the installer replaces anything, and closed again:
    // Windows renames no open file.
    {
        const auto written = openPackToRead(replacing.TempPath());
        if (static_cast<size_t>(written->GetCount()) != entries.size() ||
            written->IsSigned() != signing.has_value())
            throw ToolError("cannot write " + output);
    }
    replacing.Commit();
    ctx.out << output << ": " << entries.size() << " entries, "
            << fs::file_size(pathFromUtf8(output), error)
            << " bytes\n";
    return kExitSuccess;
}
