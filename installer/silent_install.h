// The installation without any window (/S): the configuration loaded from the
// pack, the folder from /D= or the one the dialog would propose, the install
// worker on the calling thread, and an exit code instead of message boxes.
#pragma once

#include "config/install_config.h"
#include "config/setup_command_line.h"
#include "installer/install_log.h"

class TPackFile;

// Returns kSetupExitInstalled or kSetupExitFailed; every line goes to log.
int RunSilentInstallation(TPackFile& pack, const InstallConfiguration& config,
                          const SetupOptions& options, InstallLog& log);
