#include "platform/common_controls.h"

#include "platform/dll_hardening.h"
#include "platform/win_sdk.h"

namespace {

bool loadAndRegister() {
    // The manifest's dependency redirects the bare name to version 6.
    HMODULE library = LoadSystemLibrary("comctl32.dll");
    if (!library) return false;
    using InitCommonControlsExProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initialise = reinterpret_cast<InitCommonControlsExProc>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    if (!initialise) return false;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;  // list view, tree view, progress bar, header...
    return initialise(&controls) != FALSE;
}

}  // namespace

bool RegisterCommonControls() {
    static const bool registered = loadAndRegister();
    return registered;
}
