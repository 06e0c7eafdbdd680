#include "ui/picture_loader.h"

#include "platform/dll_hardening.h"

namespace {

using OleLoadPictureProc = HRESULT(WINAPI*)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);

OleLoadPictureProc BindOleLoadPicture() {
    HMODULE library = LoadSystemLibrary("oleaut32.dll");
    if (!library) return nullptr;
    return reinterpret_cast<OleLoadPictureProc>(
        reinterpret_cast<void*>(GetProcAddress(library, "OleLoadPicture")));
}

}  // namespace

HRESULT LoadPictureFromStream(IStream* stream, LONG size, IPicture** picture) {
    if (picture) *picture = nullptr;
    static const OleLoadPictureProc load = BindOleLoadPicture();
    if (!load || !picture) return E_FAIL;
    return load(stream, size, FALSE, IID_IPicture, reinterpret_cast<void**>(picture));
}
