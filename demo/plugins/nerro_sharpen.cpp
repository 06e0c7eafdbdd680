// NerroSharpen: the demo product's second sample filter, an unsharp mask
// over one 8-bit channel (the pixel plus the difference to its four
// neighbours' mean). The edge rows and columns are kept.
#include <windows.h>

#include <vector>

extern "C" __declspec(dllexport) int __stdcall NerroFilterApply(unsigned char* pixels, int width,
                                                                int height, int stride) {
    if (pixels == nullptr || width < 3 || height < 3 || stride < width) return 0;
    const std::vector<unsigned char> source(pixels, pixels + static_cast<size_t>(stride) * height);
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            const int centre = source[y * stride + x];
            const int around = source[(y - 1) * stride + x] + source[(y + 1) * stride + x] +
                               source[y * stride + x - 1] + source[y * stride + x + 1];
            int value = centre + (4 * centre - around) / 4;
            if (value < 0) value = 0;
            if (value > 255) value = 255;
            pixels[y * stride + x] = static_cast<unsigned char>(value);
        }
    }
    return 1;
}

extern "C" __declspec(dllexport) const char* __stdcall NerroFilterName() {
    return "Nerro Sharpen";
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
