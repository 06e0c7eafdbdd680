// NerroBlur: the demo product's first sample filter, a 3 x 3 box blur over
// one 8-bit channel. A host calls the exported entry with the channel's
// pixels; the edge rows and columns are kept.
#include <windows.h>

#include <vector>

extern "C" __declspec(dllexport) int __stdcall NerroFilterApply(unsigned char* pixels, int width,
                                                                int height, int stride) {
    if (pixels == nullptr || width < 3 || height < 3 || stride < width) return 0;
    const std::vector<unsigned char> source(pixels, pixels + static_cast<size_t>(stride) * height);
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += source[(y + dy) * stride + x + dx];
            pixels[y * stride + x] = static_cast<unsigned char>(sum / 9);
        }
    }
    return 1;
}

extern "C" __declspec(dllexport) const char* __stdcall NerroFilterName() {
    return "Nerro Blur";
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
