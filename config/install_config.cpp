#include "config/install_config.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "foundation/text_decoding.h"
#include "foundation/tinifile.h"
#include "pack/pack_file.h"

namespace {

constexpr const char* kGeneral = kConfigCodePageSection;

std::string readString(TIniFile& ini, const char* section, const std::string& key) {
    return ini.GetString(section, key.c_str(), "");
}

int32_t readInt(TIniFile& ini, const char* section, const std::string& key) {
    return ini.GetInt(section, key.c_str(), 0);
}

std::string decimal(int32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    return text;
}

void readGeneral(TIniFile& ini, InstallSettings& settings) {
    settings.productName = readString(ini, kGeneral, "Product name");
    settings.noticeText = readString(ini, kGeneral, "Copyright");
    settings.registryKey = readString(ini, kGeneral, "Registry key");
    settings.defaultFolder = readString(ini, kGeneral, "Default folder");
    settings.defaultProgramFolder = readString(ini, kGeneral, "Default program folder");
    settings.mainExecutable = readInt(ini, kGeneral, "Main executable");
    settings.readme = readInt(ini, kGeneral, "Readme");
    settings.runWithInstall = readInt(ini, kGeneral, "Run with '/install'");
    settings.runWithUninstall = readInt(ini, kGeneral, "Run with '/uninstall'");
    settings.advancedOptions = readInt(ini, kGeneral, "Advanced options");
    settings.advancedOptionsDefault = readInt(ini, kGeneral, "Advanced options def");
    settings.version = readString(ini, kGeneral, "Version");
    settings.publisher = readString(ini, kGeneral, "Publisher");
    settings.productId = readString(ini, kGeneral, "Product ID");
    if (settings.productId.empty()) settings.productId = settings.productName;
    settings.helpLink = readString(ini, kGeneral, "Help link");
}

FileTypeEntry readFileType(TIniFile& ini, int32_t n) {
    const std::string prefix = "File type " + decimal(n) + ".";
    FileTypeEntry type;
    type.description = readString(ini, kGeneral, prefix + "Description");
    type.name = readString(ini, kGeneral, prefix + "Name");
    type.extensions = readString(ini, kGeneral, prefix + "Extensions");
    type.icon = readInt(ini, kGeneral, prefix + "Icon");
    type.openCommand = readString(ini, kGeneral, prefix + "Open command");
    type.openCommandFile = readInt(ini, kGeneral, prefix + "Open command file");
    return type;
}

FileEntry readFile(TIniFile& ini, int32_t n) {
    const std::string section = decimal(n);
    const char* s = section.c_str();
    FileEntry file;
    file.name = readString(ini, s, "Name");
    file.createName = readString(ini, s, "Create name");
    file.shortcutName = readString(ini, s, "Shortcut name");
    file.arguments = readString(ini, s, "Arguments");
    file.toWindowsFolder = readInt(ini, s, "To windows folder");
    file.toSystemFolder = readInt(ini, s, "To system folder");
    file.canUninstall = readInt(ini, s, "Can uninstall");
    return file;
}

struct BlockDeleter {
    void operator()(uint8_t* block) const { delete[] block; }
};
using ExtractedBlock = std::unique_ptr<uint8_t[], BlockDeleter>;

// Sections "Host 0", "Host 1"... up to the first that names nothing.
std::vector<HostDefinition> readHosts(TIniFile& ini) {
    std::vector<HostDefinition> hosts;
    for (int32_t n = 0; n < kMaxConfigListCount; ++n) {
        const std::string section = "Host " + decimal(n);
        const char* s = section.c_str();
        HostDefinition host;
        host.name = readString(ini, s, "Name");
        host.root = readString(ini, s, "Root");
        host.key = readString(ini, s, "Key");
        host.value = readString(ini, s, "Value");
        host.subFolder = readString(ini, s, "Sub-folder");
        host.folder = readString(ini, s, "Folder");
        host.view = readString(ini, s, "View");
        if (host.name.empty() && host.root.empty() && host.key.empty() && host.folder.empty())
            break;
        hosts.push_back(host);
    }
    return hosts;
}

}  // namespace

std::string ReadConfiguration(TIniFile& ini, InstallConfiguration& config) {
    std::string title = ini.GetString(kGeneral, "Title", kDefaultTitle);
    readGeneral(ini, config.settings);

    // Counts are capped so that a mistyped number cannot exhaust memory; the
    // configuration check reports the count as written.
    config.fileTypes.clear();
    config.fileTypeCount = readInt(ini, kGeneral, "Number of file types");
    const int32_t typeCount = std::min(config.fileTypeCount, kMaxConfigListCount);
    for (int32_t n = 0; n < typeCount; ++n)
        config.fileTypes.push_back(readFileType(ini, n));

    config.hosts = readHosts(ini);
    config.builtInHosts = ini.GetInt(kGeneral, "Built-in hosts", 1) != 0;

    config.files.clear();
    config.fileCount = readInt(ini, kGeneral, "Number of files");
    const int32_t fileCount = std::min(config.fileCount, kMaxConfigListCount);
    for (int32_t n = 0; n < fileCount; ++n)
        config.files.push_back(readFile(ini, n));
    return title;
}

ConfigurationLoad LoadConfiguration(TPackFile& pack, LogoSink& logo, InstallConfiguration& config) {
    ConfigurationLoad load;
    // Only a pack entry counts as the logo: its size comes from the record,
    // and a loose "logo.bmp" in the current folder is not the product's.
    if (const TPackEntry* entry = pack.Find(kLogoEntryName)) {
        const uint32_t size = entry->size;
        ExtractedBlock bytes(pack.Extract(kLogoEntryName, true, nullptr));
        if (bytes) {
            logo.SetLogo(bytes.get(), size);
            load.hasLogo = true;
        }
    }

    uint32_t size = 0;
    ExtractedBlock text(pack.Extract(kConfigEntryName, true, &size));
    TIniFile ini;
    load.hasIni = text && ParseTextFile(ini, text.get(), size, kConfigCodePageSection);
    // A text that cannot be decoded, or holds a line too long, is not read
    // in part: it counts as missing.
    TIniFile nothing;
    load.title = ReadConfiguration(load.hasIni ? ini : nothing, config);
    return load;
}
