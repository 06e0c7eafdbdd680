// CInstallerApp: the installer program's application object, and the
// process-wide objects the installer works on.
//
// Static initialisation, in this order: the DLL search is hardened
// (dll_hardening.h); the command line is parsed (setup_command_line.h); the
// pack opens read-only on the first argument that is not a switch when there
// is one, otherwise on the program's file exactly as the command line names
// it; the catalogue and the
// configuration start empty. InitInstance refuses a damaged or incomplete pack
// with one message box (setup_pack_check.h; none with /S), loads the
// configuration from the pack (it stays as loaded from then on), sets the
// fading buttons' class-wide look, runs the main dialog modally (or the
// silent installation, silent_install.h) and returns false, so the program
// ends when the dialog has ended, with the exit code of setup_command_line.h.
#pragma once

#include <string>

#include "config/install_config.h"
#include "config/setup_command_line.h"
#include "platform/win_app.h"

class CLanguageCatalog;
class TPackFile;

class CInstallerApp : public CWinApp {
public:
    bool InitInstance() override;
    // The exit code (setup_command_line.h).
    int ExitInstance(int) override { return exitCode_; }

private:
    int exitCode_ = 0;
};

// The pack the installer was started on, the interface catalogue and the
// configuration: one each per process.
TPackFile& SetupPack();
CLanguageCatalog& SetupCatalog();
const InstallConfiguration& SetupConfiguration();

// The path of the file holding the pack: the first argument that is not a
// switch, else the program's own path (setup_command_line.h).
std::string PackPathFromOptions(const SetupOptions& options);
