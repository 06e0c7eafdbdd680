#include "installer/installer_app.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "installer/installer_dlg.h"
#include "installer/setup_pack_check.h"
#include "installer/silent_install.h"
#include "pack/pack_file.h"
#include "platform/dll_hardening.h"
#include "platform/win_handles.h"
#include "platform/win_text.h"
#include "ui/fade_button.h"
#include "ui/language_catalog.h"

std::string PackPathFromOptions(const SetupOptions& options) {
    return options.packPath.empty() ? options.program : options.packPath;
}

namespace {

// Order matters: the hardening runs before anything else of this program.
const bool dllSearchHardened = HardenDllSearch();
const SetupOptions setupOptions = ParseSetupCommandLine(Utf8(GetCommandLineW()));
TPackFile setupPack(PackPathFromOptions(setupOptions).c_str(), false);
CLanguageCatalog setupCatalog;
InstallConfiguration setupConfiguration;
CInstallerApp installerApp;

// Keeps the bytes of "logo.bmp" until the dialog's logo view exists.
class KeptLogo : public LogoSink {
public:
    void SetLogo(const uint8_t* data, uint32_t size) override { bytes.assign(data, data + size); }
    std::vector<uint8_t> bytes;
};

void SetButtonLook() {
    FadeButtonSettings& settings = CFadeButton::Settings();
    settings.useVisualStyles = false;
    settings.faceStyle = 8;
    const int shading[3][6] = {
        {-48, 32, 48, -64, 0, 0},
        {-64, 48, 96, -192, 48, -64},
        {-64, 48, -128, -128, 0, 0},
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 6; ++column)
            settings.shading[row][column] = shading[row][column];
}

}  // namespace

TPackFile& SetupPack() {
    return setupPack;
}

CLanguageCatalog& SetupCatalog() {
    return setupCatalog;
}

const InstallConfiguration& SetupConfiguration() {
    return setupConfiguration;
}

bool CInstallerApp::InitInstance() {
    (void)dllSearchHardened;
    const SetupOptions& options = setupOptions;
    if (!options.error.empty() || options.help) {
        exitCode_ = options.help ? kSetupExitInstalled : kSetupExitUsage;
        if (!options.silent) {
            const std::string text =
                options.help ? kSetupUsage : "Wrong command line: " + options.error + ".\n\n" + kSetupUsage;
            MessageBoxW(nullptr, Wide(text).c_str(), L"Setup",
                        MB_OK | (options.help ? 0 : MB_ICONERROR));
        }
        return false;
    }
    InstallLog log;
    if (!options.logPath.empty()) log = InstallLog(options.logPath);
    exitCode_ = kSetupExitFailed;
    const std::string damage = FindPackDamage(setupPack);
    if (!damage.empty()) {
        log.Line(std::string("Error: ") + kDamagedInstallerText + "\n" + damage);
        if (!options.silent)
            MessageBoxW(nullptr, Wide(DamagedInstallerMessage(damage)).c_str(),
                        Wide(kDamagedInstallerCaption).c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    KeptLogo logo;
    const ConfigurationLoad load = LoadConfiguration(setupPack, logo, setupConfiguration);
    if (options.silent) {
        exitCode_ = RunSilentInstallation(setupPack, setupConfiguration, options, log);
        return false;
    }
    SetButtonLook();
    // The shell namespace, shell links and the picture loader need COM.
    CComInitialize com;
    CInstallerDlg dialog(setupPack, setupCatalog, setupConfiguration);
    dialog.SetLook(load.title, std::move(logo.bytes));
    dialog.SetRequestedFolder(options.folder);
    if (log.Opened()) dialog.SetLog([&log](const std::string& line) { log.Line(line); });
    SetMainWindow(&dialog);
    dialog.DoModal();
    SetMainWindow(nullptr);
    if (!dialog.Started())
        exitCode_ = kSetupExitCancelled;
    else
        exitCode_ = dialog.Installed() ? kSetupExitInstalled : kSetupExitFailed;
    return false;
}
