// nerro-setup.exe: the installer. Everything happens in CInstallerApp
// (installer_app.h).
#include "platform/win_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return CWinApp::Get()->Run();
}
