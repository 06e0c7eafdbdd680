#include "installer/setup_pack_check.h"

#include <memory>
#include <vector>

#include "config/config_check.h"
#include "config/install_config.h"
#include "foundation/ordered_work.h"
#include "foundation/text_decoding.h"
#include "foundation/tinifile.h"
#include "pack/pack_file.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Empty when the entry is there and decodes whole to its check value.
std::string CheckEntry(const TPackFile& pack, const std::string& name, const TPackEntry* entry) {
    if (!entry) return "The file \"" + name + "\" is missing from it.\n";
    DiscardingSink discard;
    if (pack.ReadEntryShared(*entry, discard, nullptr) != PackReadStatus::Ok)
        return "The file \"" + name + "\" in it is damaged.\n";
    return std::string();
}

}  // namespace

std::string FindPackDamage(TPackFile& pack) {
    if (!pack.HasIndex() || pack.IsFailed()) return "It holds no valid installation package.\n";

    std::vector<std::string> names = {kConfigEntryName, kLogoEntryName};
    for (TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext())
        if (EndsWith(entry->name, ".clg")) names.push_back(entry->name);
    // Decoded side by side on the machine's cores, reported in this order.
    std::vector<const TPackEntry*> entries;
    std::vector<uint64_t> sizes;
    for (const std::string& name : names) {
        entries.push_back(pack.Find(name.c_str()));
        sizes.push_back(entries.back() ? entries.back()->size : 0);
    }
    std::vector<std::string> findings(names.size());
    std::string reasons;
    runInOrder(
        names.size(), machineThreads(), names.size(),
        [&](size_t i) { findings[i] = CheckEntry(pack, names[i], entries[i]); },
        [&](size_t i) {
            reasons += findings[i];
            return true;
        },
        {}, sizes);
    if (!reasons.empty()) return reasons;

    std::unique_ptr<uint8_t[]> text(pack.Extract(kConfigEntryName, true, nullptr));
    TIniFile ini;
    // Its text must decode and hold no line too long, or nothing of it is read.
    if (!ParseTextFile(ini, text.get(), entries[0]->size, kConfigCodePageSection))
        return "The file \"" + std::string(kConfigEntryName) + "\" in it is damaged.\n";
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
