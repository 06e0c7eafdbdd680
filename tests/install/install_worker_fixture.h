// A product to install in a test: its pack, configuration, installation
// folder, install record and uninstall entry, and the Start-menu shortcuts
// and Windows-folder files it makes, all of the test's own and removed at the
// end.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/install_config.h"
#include "install_test_support.h"
#include "installer/install_worker.h"

namespace installtest {

class ProductFixture {
public:
    // Names start with prefix; the product is installed into installBase
    // (default: the fixture's own temporary folder), in a folder of its own.
    explicit ProductFixture(const std::string& prefix = "NerroTest",
                            const std::string& installBase = "");
    ~ProductFixture();

    // A name of this fixture's own, for shortcuts and Windows-folder items
    // (those are removed at the end when named through these).
    std::string Unique(const std::string& what) const { return unique_ + " " + what; }
    std::string ShortcutFile(const std::string& shortcutName) const;
    std::string WindowsPath(const std::string& relative) const;
    std::string SystemPath(const std::string& relative) const;

    // Parses ini text into config (through the configuration reader) and
    // sets the run's installation path (no trailing backslash).
    void Configure(const std::string& ini);
    // Writes the pack to its file and opens it read-only.
    void BuildPack(const std::vector<PackItem>& items);
    // Runs the worker on its own thread, as the dialog does, and waits for its
    // completion event; progress values seen meanwhile go to progressSeen.
    InstallOutcome InstallOnThread(uint64_t payloadBudget = kDefaultPayloadBudget);

    // The standard [General] lines for this fixture's product and key.
    std::string General(int fileCount, int mainExecutable, bool runWithUninstall) const;

    std::map<std::string, std::string> Record() const;
    std::map<std::string, std::string> UninstallEntry() const;
    bool RecordExists() const;
    bool UninstallEntryExists() const;

    TestFolder root;
    std::string installationPath;  // <base>\<prefix...> Product, not created
    std::string productName;
    std::string registryKey;
    std::string packPath;
    InstallConfiguration config;
    InstallRun run;  // the installation's own values: folder, targets, progress
    std::unique_ptr<TPackFile> pack;
    std::vector<int32_t> progressSeen;

private:
    std::string unique_;
    std::unique_ptr<ScopedRegKey> recordScope_;
    std::unique_ptr<ScopedRegKey> uninstallScope_;
    std::vector<std::string> removeAtEnd_;
};

}  // namespace installtest
