#include "config/config_check.h"

#include <cctype>

#include "foundation/text_case.h"
#include "pack/pack_file.h"

namespace {

void addError(std::vector<ConfigProblem>& problems, std::string text) {
    problems.push_back({ConfigSeverity::Error, std::move(text)});
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string fileLabel(size_t position) {
    return "file [" + std::to_string(position) + "]: ";
}

// The last component of an installer path: both separators count, as on Windows.
std::string finalComponent(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}


void checkCount(std::vector<ConfigProblem>& problems, const char* key, int32_t count) {
    if (count > kMaxConfigListCount) {
        addError(problems, quoted(key) + " is " + std::to_string(count) + ", more than " +
                               std::to_string(kMaxConfigListCount));
    }
}

// The components of a path, split at both separators.
std::vector<std::string> pathComponents(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t cut = path.find_first_of("\\/", start);
        parts.push_back(path.substr(start, cut == std::string::npos ? cut : cut - start));
        if (cut == std::string::npos) return parts;
        start = cut + 1;
    }
}

bool hasParentComponent(const std::string& path) {
    for (const std::string& part : pathComponents(path))
        if (part == "..") return true;
    return false;
}

// Why a name below the installation folder could lead out of it ("" when it
// cannot): a drive ("C:"), a leading separator (the drive's root or a
// share), or a ".." component; a "." component is refused too, as the
// uninstall program refuses to remove a path that holds one. The uninstall program refuses to remove such
// paths, so the installer never writes one.
std::string escapingNameReason(const std::string& name) {
    if (name.find(':') != std::string::npos) return "holds a drive or stream name (\":\")";
    if (!name.empty() && (name[0] == '\\' || name[0] == '/')) return "begins with a separator";
    if (hasParentComponent(name)) return "holds a \"..\" component";
    for (const std::string& part : pathComponents(name))
        if (part == ".") return "holds a \".\" component";
    return {};
}

// Keys of the system's own that an install record must never be written into
// (the record's values would land among the system's: autostart, classes...).
const char* const kSystemRegistryTrees[] = {
    "Software\\Microsoft", "Software\\Classes", "Software\\Policies", "Software\\Wow6432Node",
    "System",
};

std::string systemKeyReason(const std::string& key) {
    std::string trimmed = key;
    while (!trimmed.empty() && trimmed[0] == '\\')
        trimmed.erase(0, 1);
    while (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    if (EqualIgnoringCase(trimmed, "Software")) return "is the whole \"Software\" key";
    for (const char* tree : kSystemRegistryTrees) {
        const std::string root = tree;
        if (EqualIgnoringCase(trimmed.substr(0, root.size()), root) &&
            (trimmed.size() == root.size() || trimmed[root.size()] == '\\'))
            return "lies in the system's own key " + quoted(root);
    }
    return {};
}

void checkGeneral(std::vector<ConfigProblem>& problems, const InstallSettings& settings) {
    if (settings.productName.empty()) addError(problems, "no \"Product name\" in [General]");
    if (settings.registryKey.empty()) {
        addError(problems, "no \"Registry key\" in [General]");
    } else if (std::string reason = systemKeyReason(settings.registryKey); !reason.empty()) {
        addError(problems, "\"Registry key\" " + quoted(settings.registryKey) + " " + reason);
    }
    // Appended to the Program Files path, which has no trailing separator.
    if (settings.defaultFolder.empty() || settings.defaultFolder[0] != '\\') {
        addError(problems, "\"Default folder\" does not begin with a backslash: " +
                               quoted(settings.defaultFolder));
    } else if (hasParentComponent(settings.defaultFolder)) {
        addError(problems, "\"Default folder\" " + quoted(settings.defaultFolder) +
                               " holds a \"..\" component");
    }
}

void checkFileList(std::vector<ConfigProblem>& problems, const InstallConfiguration& config) {
    checkCount(problems, "Number of file types", config.fileTypeCount);
    checkCount(problems, "Number of files", config.fileCount);
    if (config.files.empty()) {
        addError(problems, "the file list is empty (\"Number of files\" is " +
                               std::to_string(config.fileCount) + ")");
        return;
    }
    const int32_t main = config.settings.mainExecutable;
    const size_t last = config.files.size() - 1;
    if (main < 0 || static_cast<size_t>(main) > last) {
        addError(problems, "\"Main executable\" is " + std::to_string(main) +
                               ", outside the file list (0 to " + std::to_string(last) + ")");
    }
}

void checkFiles(std::vector<ConfigProblem>& problems, const InstallConfiguration& config,
                const ProductFiles& files) {
    if (!files.contains(kLogoEntryName))
        addError(problems, quoted(kLogoEntryName) + " is missing from " + files.place);
    for (size_t i = 0; i < config.files.size(); ++i) {
        const FileEntry& file = config.files[i];
        if (file.name.empty()) {
            addError(problems, fileLabel(i) + "no \"Name\"");
        } else if (!files.contains(file.name)) {
            addError(problems,
                     fileLabel(i) + quoted(file.name) + " is missing from " + files.place);
        }
        if (file.createName.empty()) {
            addError(problems, fileLabel(i) + "no \"Create name\"");
        } else if (std::string reason = escapingNameReason(file.createName); !reason.empty()) {
            addError(problems, fileLabel(i) + "\"Create name\" " + quoted(file.createName) + " " +
                                   reason + ": it must stay inside the installation folder");
        }
        if (!file.shortcutName.empty()) {
            if (std::string reason = escapingNameReason(file.shortcutName); !reason.empty())
                addError(problems, fileLabel(i) + "\"Shortcut name\" " +
                                       quoted(file.shortcutName) + " " + reason);
        }
    }
}

void checkHosts(std::vector<ConfigProblem>& problems, const std::vector<HostDefinition>& hosts) {
    for (size_t i = 0; i < hosts.size(); ++i) {
        const HostDefinition& host = hosts[i];
        const std::string label = "host [Host " + std::to_string(i) + "]: ";
        if (host.name.empty()) addError(problems, label + "no \"Name\"");
        if (!host.folder.empty()) {
            if (!host.root.empty() || !host.key.empty())
                addError(problems, label + "both \"Folder\" and \"Root\"/\"Key\"");
            continue;
        }
        if (!EqualIgnoringCase(host.root, "HKLM") && !EqualIgnoringCase(host.root, "HKCU"))
            addError(problems, label + "\"Root\" is " + quoted(host.root) + ", not HKLM or HKCU");
        if (host.key.empty()) addError(problems, label + "no \"Key\" (and no \"Folder\")");
        if (!host.view.empty() && host.view != "32" && host.view != "64" &&
            !EqualIgnoringCase(host.view, "both"))
            addError(problems, label + "\"View\" is " + quoted(host.view) + ", not 32, 64 or both");
    }
}

}  // namespace

std::vector<ConfigProblem> CheckConfiguration(const InstallConfiguration& config,
                                              const ProductFiles& files) {
    std::vector<ConfigProblem> problems;
    checkGeneral(problems, config.settings);
    checkFileList(problems, config);
    checkFiles(problems, config, files);
    checkHosts(problems, config.hosts);
    if (!config.files.empty() && !IsUninstallProgram(config.files.back())) {
        const size_t last = config.files.size() - 1;
        problems.push_back(
            {ConfigSeverity::Warning, "the last file, " + quoted(config.files.back().name) +
                                          " (section [" + std::to_string(last) +
                                          "]), is started as the uninstall program but is not " +
                                          kUninstallProgramName});
    }
    return problems;
}

ProductFiles PackProductFiles(TPackFile& pack) {
    return {"the pack",
            [&pack](const std::string& name) { return pack.Find(name.c_str()) != nullptr; }};
}

bool HasConfigErrors(const std::vector<ConfigProblem>& problems) {
    for (const ConfigProblem& problem : problems)
        if (problem.severity == ConfigSeverity::Error) return true;
    return false;
}

bool IsUninstallProgram(const FileEntry& file) {
    return EqualIgnoringCase(finalComponent(file.name), kUninstallProgramName) ||
           EqualIgnoringCase(finalComponent(file.createName), kUninstallProgramName);
}
