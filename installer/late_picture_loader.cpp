// OleLoadPicture bound late: the logo view calls it through the import slot
// defined here instead of through an import of oleaut32.dll, so that the
// DLL is loaded by name from the system folder on first use, after
// HardenDllSearch (an import would be resolved at process start, from the
// program's own folder first). Linked into nerro-setup.exe only.
#include <windows.h>
// After windows.h.
#include <olectl.h>

#include "installer/dll_hardening.h"

namespace {

using OleLoadPictureProc = HRESULT(WINAPI*)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);

HRESULT WINAPI LateOleLoadPicture(LPSTREAM stream, LONG size, BOOL runmode, REFIID iid,
                                  LPVOID* object) {
    static OleLoadPictureProc real = [] {
        HMODULE library = LoadSystemLibrary("oleaut32.dll");
        return library ? reinterpret_cast<OleLoadPictureProc>(
                             reinterpret_cast<void*>(GetProcAddress(library, "OleLoadPicture")))
                       : nullptr;
    }();
    if (!real) {
        if (object) *object = nullptr;
        return E_FAIL;
    }
    return real(stream, size, runmode, iid, object);
}

}  // namespace

// The import slot the compiler reads for a dllimport call of OleLoadPicture.
extern "C" OleLoadPictureProc lateOleLoadPictureSlot __asm__("__imp__OleLoadPicture@20");
OleLoadPictureProc lateOleLoadPictureSlot = &LateOleLoadPicture;
