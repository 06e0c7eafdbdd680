#include "tools/tool_files.h"

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <random>

#include "tools/tool_errors.h"

namespace fs = std::filesystem;

void useNativeEncoding() {
    // The C library's narrow conversions follow LC_CTYPE, which starts as "C".
    std::setlocale(LC_CTYPE, "");
}

std::string nativeString(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    const wchar_t* source = wide.c_str();
    std::mbstate_t state{};
    const size_t length = std::wcsrtombs(nullptr, &source, 0, &state);
    if (length == static_cast<size_t>(-1)) return path.string();  // not representable
    std::string narrow(length, '\0');
    source = wide.c_str();
    state = std::mbstate_t{};
    std::wcsrtombs(&narrow[0], &source, length, &state);
    return narrow;
#else
    return path.string();
#endif
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ToolError("cannot read " + nativeString(path));
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeWholeFile(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) throw ToolError("cannot write " + nativeString(path));
}

// ---------------------------------------------------------------- interrupts

namespace {

// The temporary file to delete when the process is interrupted. A fixed
// buffer: the handler may only touch plain data.
char pendingTemp[4096];
volatile std::sig_atomic_t hasPendingTemp = 0;

extern "C" void removePendingAndExit(int signal) {
    if (hasPendingTemp) std::remove(pendingTemp);
    std::_Exit(128 + signal);
}

void watchInterrupts(const std::string& temp) {
    static const bool installed = [] {
        std::signal(SIGINT, removePendingAndExit);
        std::signal(SIGTERM, removePendingAndExit);
        return true;
    }();
    (void)installed;
    hasPendingTemp = 0;
    if (temp.size() < sizeof pendingTemp) {
        std::memcpy(pendingTemp, temp.c_str(), temp.size() + 1);
        hasPendingTemp = 1;
    }
}

std::string unusedTempName(const std::string& target) {
    std::random_device device;
    std::mt19937_64 random(
        (static_cast<uint64_t>(device()) << 32) ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (;;) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        std::string candidate = target + suffix;
        std::error_code ignored;
        if (!fs::exists(candidate, ignored)) return candidate;
    }
}

}  // namespace

// ---------------------------------------------------------------- ReplacingFile

ReplacingFile::ReplacingFile(const std::string& target)
    : target_(target), temp_(unusedTempName(target)) {
    watchInterrupts(temp_);
}

ReplacingFile::~ReplacingFile() {
    hasPendingTemp = 0;
    if (!committed_) {
        std::error_code ignored;
        fs::remove(temp_, ignored);
    }
}

void ReplacingFile::Commit() {
    std::error_code error;
    fs::rename(temp_, target_, error);
    if (error) throw ToolError("cannot replace " + target_ + ": " + error.message());
    committed_ = true;
    hasPendingTemp = 0;
}
