#include "installer/installer_app.h"

#include <cstdlib>

#include "installer/installer_dlg.h"
#include "installer/setup_pack_check.h"
#include "pack/pack_file.h"
#include "platform/dll_hardening.h"
#include "platform/win_handles.h"
#include "ui/fade_button.h"
#include "ui/language_catalog.h"

const char* PackPathFromArguments(int argc, char** argv) {
    if (argc > 1 && argv[1] && argv[1][0] != '\0') return argv[1];
    return argc > 0 ? argv[0] : nullptr;
}

namespace {

// Order matters: the hardening runs before anything else of this program.
const bool dllSearchHardened = HardenDllSearch();
TPackFile setupPack(PackPathFromArguments(__argc, __argv), false);
CLanguageCatalog setupCatalog;
InstallConfiguration setupConfiguration;
CInstallerApp installerApp;

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

InstallConfiguration& SetupConfiguration() {
    return setupConfiguration;
}

bool CInstallerApp::InitInstance() {
    (void)dllSearchHardened;
    SetButtonLook();
    const std::string damage = FindPackDamage(setupPack);
    if (!damage.empty()) {
        MessageBoxA(nullptr, DamagedInstallerMessage(damage).c_str(), kDamagedInstallerCaption,
                    MB_OK | MB_ICONERROR);
        return false;
    }
    // The shell namespace, shell links and the picture loader need COM.
    CComInitialize com;
    CInstallerDlg dialog(setupPack, setupCatalog, setupConfiguration);
    SetMainWindow(&dialog);
    dialog.DoModal();
    SetMainWindow(nullptr);
    return false;
}
