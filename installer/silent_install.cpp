#include "installer/silent_install.h"

#include "installer/host_detect.h"
#include "installer/install_worker.h"
#include "installer/installed_product.h"
#include "installer/proposed_path.h"
#include "installer/vendor_hosts.h"

int RunSilentInstallation(TPackFile& pack, const InstallConfiguration& config,
                          const SetupOptions& options, InstallLog& log) {
    // No COM here: the installation starts it for its first shortcut. Under
    // Wine starting it also starts the desktop process and waits for it
    // (about a fifth of a second), which a product without shortcuts is spared.
    if (const std::string downgrade = DowngradeQuestion(config.settings); !downgrade.empty()) {
        log.Line("Error: " + downgrade + " Not without a question: nothing was installed.");
        return kSetupExitFailed;
    }
    const InstalledProduct earlier = FindInstalledProduct(config.settings);
    std::string folder = options.folder;
    if (folder.empty() && earlier.present) folder = earlier.folder;
    if (folder.empty()) {
        const std::vector<DetectedHost> hosts = DetectHosts(config);
        folder = ProposedInstallationPath(nullptr, hosts.empty() ? std::string() : hosts[0].folder,
                                          config.settings.defaultFolder);
    }
    InstallRun run;
    run.installationPath = folder;
    log.Line("Installing " + config.settings.productName + " into " + folder);
    const InstallOutcome outcome =
        RunInstallation(config, run, pack, kDefaultPayloadBudget,
                        [&log](const std::string& line) { log.Line(line); });
    if (!outcome.succeeded) {
        log.Line("Error: " + outcome.message);
        return kSetupExitFailed;
    }
    log.Line("Installed.");
    return kSetupExitInstalled;
}
