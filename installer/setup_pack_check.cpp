#include "installer/setup_pack_check.h"

#include <memory>

#include "foundation/tinifile.h"
#include "installer/config_check.h"
#include "installer/install_config.h"
#include "pack/pack_file.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Empty when the entry decodes whole to its check value.
std::string CheckEntry(TPackFile& pack, const std::string& name) {
    if (!pack.Find(name.c_str())) return "The file \"" + name + "\" is missing from it.\n";
    std::unique_ptr<uint8_t[]> bytes(pack.Extract(name.c_str(), true, nullptr));
    if (!bytes || pack.IsFailed()) return "The file \"" + name + "\" in it is damaged.\n";
    return std::string();
}

}  // namespace

std::string FindPackDamage(TPackFile& pack) {
    if (!pack.HasIndex() || pack.IsFailed()) return "It holds no valid installation package.\n";

    std::string reasons = CheckEntry(pack, kConfigEntryName);
    reasons += CheckEntry(pack, kLogoEntryName);
    std::vector<std::string> catalogues;
    for (TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext())
        if (EndsWith(entry->name, ".clg")) catalogues.push_back(entry->name);
    for (const std::string& name : catalogues)
        reasons += CheckEntry(pack, name);
    if (!reasons.empty()) return reasons;

    std::unique_ptr<uint8_t[]> text(pack.Extract(kConfigEntryName, true, nullptr));
    TIniFile ini;
    ini.Parse(reinterpret_cast<const char*>(text.get()));
    InstallConfiguration config;
    ReadConfiguration(ini, config);
    for (const ConfigProblem& problem : CheckConfiguration(config, PackProductFiles(pack)))
        if (problem.severity == ConfigSeverity::Error) reasons += problem.text + ".\n";
    return reasons;
}

std::string DamagedInstallerMessage(const std::string& reasons) {
    return std::string(kDamagedInstallerText) + "\n\n" + reasons +
           "\nNothing has been installed. Please obtain a new copy of the installer.";
}
