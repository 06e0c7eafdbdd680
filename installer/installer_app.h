// CInstallerApp: the installer program's application object, and the
// process-wide objects the installer works on.
//
// Static initialisation, in this order: the DLL search is hardened
// (dll_hardening.h); the pack opens read-only on the first command-line
// argument when there is one and it is not empty, otherwise on the program's
// file exactly as the command line names it; the catalogue and the
// configuration start empty. InitInstance sets the fading buttons' class-wide
// look, refuses a damaged or incomplete pack with one message box
// (setup_pack_check.h), runs the main dialog modally and returns false, so
// the program ends when the dialog has ended.
#pragma once

#include "installer/install_config.h"
#include "platform/win_app.h"

class CLanguageCatalog;
class TPackFile;

class CInstallerApp : public CWinApp {
public:
    bool InitInstance() override;
};

// The pack the installer was started on, the interface catalogue and the
// configuration: one each per process.
TPackFile& SetupPack();
CLanguageCatalog& SetupCatalog();
InstallConfiguration& SetupConfiguration();

// The path of the file holding the pack: argv[1] when present and not empty,
// else argv[0]; null when argv is empty.
const char* PackPathFromArguments(int argc, char** argv);
