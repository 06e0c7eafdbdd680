// A small installed product whose last file is the real uninstall program,
// for the tests that run nerro-uninstall.exe.
#pragma once

#include <string>

#include "install_worker_fixture.h"

namespace installtest {

// Configures product with three files (a plug-in with a shortcut, a readme
// in the Windows folder, and NERRO_UNINSTALL_EXE as "Uninstall.exe" with a
// shortcut) and builds its pack.
void ConfigureUninstallableProduct(ProductFixture& product);

// The system's Program Files folder.
std::string ProgramFilesFolder();

// Entries named "nerro-uninstall-*" in the temporary folder: the copies, or
// their private folders, that the program's hand-over makes there.
int TemporaryCopies();

}  // namespace installtest
