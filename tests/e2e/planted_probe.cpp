// The planting test's counter-check: a program without the installer's
// hardening that loads oleaut32.dll plainly, so that the planted DLL beside
// it is loaded and its marker appears. Exits 0 when the load succeeded.
#include <windows.h>

int main() {
    return LoadLibraryA("oleaut32.dll") ? 0 : 1;
}
