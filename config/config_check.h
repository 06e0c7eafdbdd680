// Consistency checks of a loaded configuration against the product's files.
//
// The installation relies on a non-empty file list, a "Main executable"
// inside it, every named file being present, a logo, a product name and a
// registry key (the install record and the uninstall entry are named after
// them) and a "Default folder" that begins with a backslash (it is appended to
// the Program Files path). nerro-pack build refuses a product folder that
// breaks any of these, and the installer refuses such a pack, with the same
// texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/install_config.h"

class TPackFile;

// The file the uninstall entry should start: the last file of the list.
constexpr const char* kUninstallProgramName = "nerro-uninstall.exe";

// True when the file is the uninstall program: its name or its created name
// is kUninstallProgramName (in any letter case).
bool IsUninstallProgram(const FileEntry& file);

enum class ConfigSeverity {
    Error,    // the product cannot be installed as configured
    Warning,  // installable, but probably not what was meant
};

struct ConfigProblem {
    ConfigSeverity severity;
    std::string text;  // one line naming the problem, without a trailing period
};

// Where the product's files are looked up by name.
struct ProductFiles {
    // Ends the "missing" messages: "the product folder", "the pack".
    std::string place;
    // True when a file (pack entry) of exactly that name is there.
    std::function<bool(const std::string& name)> contains;
};

// Every problem of config, errors and warnings in the order below, each once:
//   no "Product name"; no "Registry key"; a "Default folder" not beginning
//   with a backslash; "Number of file types" or "Number of files" above
//   kMaxConfigListCount; an empty file list; "Main executable" outside the
//   file list; "logo.bmp" missing from files; then for each file in list
//   order: an empty "Name", a "Name" missing from files, an empty
//   "Create name"; last, the warning that the last file (the uninstall
//   program) is not nerro-uninstall.exe, neither by "Name" nor by
//   "Create name" (final path component, letter case ignored).
// An empty result means the configuration is sound.
std::vector<ConfigProblem> CheckConfiguration(const InstallConfiguration& config,
                                              const ProductFiles& files);

// The entries of pack, for CheckConfiguration ("the pack").
ProductFiles PackProductFiles(TPackFile& pack);

// True when problems holds at least one error.
bool HasConfigErrors(const std::vector<ConfigProblem>& problems);
