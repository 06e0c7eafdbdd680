// The installer's configuration: "Nerro.ini" and "logo.bmp" from the pack.
//
// Everything product-specific is data inside the pack. "Nerro.ini" fills one
// InstallSettings record, the file list (one FileEntry per file to install,
// sections "0", "1", ...) and the file-type list (keys "File type N.<key>" in
// [General]). Missing keys take their defaults: empty strings, integers 0, and
// "Ostrel Ltd" for "Title". Integers are read with TIniFile::GetInt (strtol
// with base 0), so a flag written as "yes" reads as 0 (off) and "0x1" as on.
//
// This part is free of Win32: nerro-pack validates a product folder with the
// same code (config_check.h) that the installer uses on its pack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TIniFile;
class TPackFile;

// Entry names the installer looks for in its pack.
constexpr const char* kConfigEntryName = "Nerro.ini";
// The section of "Nerro.ini" whose "Code page" names the code page of a
// legacy (ANSI) file (text_decoding.h); [General], the settings' own.
constexpr const char* kConfigCodePageSection = "General";
// The same for a language catalogue: its [Info].
constexpr const char* kCatalogueCodePageSection = "Info";
constexpr const char* kLogoEntryName = "logo.bmp";
// The caption when "Title" is missing.
constexpr const char* kDefaultTitle = "Ostrel Ltd";
// More files or file types than this are not read ("Number of files" and
// "Number of file types" beyond it are configuration errors, config_check.h):
// a mistyped count must not make the installer allocate millions of records.
constexpr int32_t kMaxConfigListCount = 65536;

// The process-wide settings, from [General]. Fields keep the order of the
// configuration schema. What one installation works out (its folder, the
// shortcut folder, its progress) is the installation's own (install_worker.h).
struct InstallSettings {
    std::string productName;           // "Product name"
    std::string noticeText;            // "Copyright"
    std::string registryKey;           // "Registry key": install record under HKLM
    std::string defaultFolder;         // "Default folder": begins with a backslash
    std::string defaultProgramFolder;  // "Default program folder"
    int32_t mainExecutable = 0;        // "Main executable": position in the file list
    int32_t readme = 0;                // "Readme": kept, unused
    int32_t runWithInstall = 0;          // "Run with '/install'": kept, unused
    int32_t runWithUninstall = 0;        // "Run with '/uninstall'": record names the main program
    int32_t advancedOptions = 0;         // "Advanced options": kept, unused
    int32_t advancedOptionsDefault = 0;  // "Advanced options def": kept, unused
    // For the system's list of installed programs; all optional.
    std::string version;    // "Version": the entry's DisplayVersion
    std::string publisher;  // "Publisher"
    // "Product ID": names the uninstall entry's key and stays the same from
    // one version to the next; "Product name" when missing, which keeps the
    // key of configurations written before it existed.
    std::string productId;
    std::string helpLink;  // "Help link": the entry's URLInfoAbout
};

// One file to install (section "N" of "Nerro.ini").
struct FileEntry {
    std::string name;             // "Name": the pack entry holding the file's bytes
    std::string createName;       // "Create name": path below the target folder
    std::string shortcutName;     // "Shortcut name": empty for no shortcut
    std::string arguments;        // "Arguments" stored in the shortcut
    int32_t toWindowsFolder = 0;  // "To windows folder"
    int32_t toSystemFolder = 0;   // "To system folder" (when toWindowsFolder is 0)
    int32_t canUninstall = 0;     // "Can uninstall": listed in the install record
};

// A host application the vendor defines (section "Host N", N = 0, 1, ...
// consecutive): found by a registry value or by a fixed folder.
struct HostDefinition {
    std::string name;       // "Name"; "{key}" stands for the matched sub-key of a "*" key
    std::string root;       // "Root": "HKLM" or "HKCU"
    std::string key;        // "Key"; a last component "*" enumerates that key's sub-keys
    std::string value;      // "Value": empty for the key's default value
    std::string subFolder;  // "Sub-folder": appended to the value
    std::string folder;     // "Folder": a fixed folder with %ProgramFiles%... instead of a key
    std::string view;       // "View": "32", "64" or "both" (the default, when empty)
};

// One file-type group ("File type N.<key>" in [General]); read and kept only.
struct FileTypeEntry {
    std::string description;      // "Description"
    std::string name;             // "Name"
    std::string openCommand;      // "Open command"
    int32_t openCommandFile = 0;  // "Open command file"
    std::string extensions;       // "Extensions"
    int32_t icon = 0;             // "Icon"
};

// Everything "Nerro.ini" configures. The lists own their records, in
// configuration order.
struct InstallConfiguration {
    InstallSettings settings;
    std::vector<FileEntry> files;
    std::vector<FileTypeEntry> fileTypes;
    // Hosts of the vendor's, listed before the built-in ones; "Built-in
    // hosts" = 0 in [General] hides the built-in ones.
    std::vector<HostDefinition> hosts;
    bool builtInHosts = true;
    // "Number of files" and "Number of file types" as written; the lists hold
    // at most kMaxConfigListCount records, none for a count of 0 or less.
    int32_t fileCount = 0;
    int32_t fileTypeCount = 0;
};

// Receives the bytes of "logo.bmp"; the installer's logo view implements it.
class LogoSink {
public:
    virtual ~LogoSink() = default;
    // data holds size bytes and stays valid only during the call: copy what
    // is needed. Called at most once per load.
    virtual void SetLogo(const uint8_t* data, uint32_t size) = 0;
};

// Fills config from ini: the [General] settings, then the file types, then
// the files, each key with its default. Replaces whatever config held. A count of 0
// or less reads no group; a count above kMaxConfigListCount reads that many
// (fileCount and fileTypeCount keep the counts as written).
// A missing numbered section gives a record of defaults.
// Returns the "Title" value (kDefaultTitle when missing): the dialog's
// caption, which is not kept in the settings.
std::string ReadConfiguration(TIniFile& ini, InstallConfiguration& config);

// What LoadConfiguration found.
struct ConfigurationLoad {
    std::string title;     // "Title", or kDefaultTitle
    bool hasLogo = false;  // "logo.bmp" was in the pack, read whole, and given to the sink
    // "Nerro.ini" could be read (from the pack or the current folder) and
    // decoded, and no line of it is too long
    bool hasIni = false;
};

// The installer's loading step: hands "logo.bmp" to logo (only when the pack
// holds that entry and it can be read whole), then reads "Nerro.ini" into
// config with ReadConfiguration, decoded as text_decoding.h says (UTF-8,
// UTF-16, or the code page its [General] "Code page" names, else the
// system's). As TPackFile::Extract does, a "Nerro.ini" missing from the pack
// is read from the current folder instead; without either, or when its text
// cannot be decoded or holds a line too long for TIniFile, config gets all
// defaults and hasIni is false. Check values are not
// consulted here (the installer checks its payload before installing).
ConfigurationLoad LoadConfiguration(TPackFile& pack, LogoSink& logo, InstallConfiguration& config);
