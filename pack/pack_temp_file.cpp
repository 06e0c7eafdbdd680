#include "pack/pack_temp_file.h"

#include <chrono>
#include <random>
#include <string>
#include <system_error>

PackTempFile::PackTempFile() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) return;
    // Standard C++ has no exclusive create: pick a random name that no file
    // has. Two processes drawing the same 64-bit name at once is not a concern.
    std::random_device device;
    std::mt19937_64 generator(
        (static_cast<uint64_t>(device()) << 32) ^ device() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path candidate =
            folder / ("nerro-compact-" + std::to_string(generator()) + ".tmp");
        if (std::filesystem::exists(candidate, error) || error) continue;
        stream_.open(candidate, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
        if (stream_.is_open()) {
            path_ = std::move(candidate);
            return;
        }
    }
}

PackTempFile::~PackTempFile() {
    if (!stream_.is_open()) return;
    stream_.close();
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}
