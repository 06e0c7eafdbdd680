#include "tools/tool_pack_open.h"

#include <filesystem>
#include <fstream>

#include "tools/tool_errors.h"
#include "tools/tool_files.h"

namespace {

// Why the pack at path cannot be read, judged from its trailer alone; the
// pack object only says that it failed.
std::string whyNoPack(const std::string& path, const std::string& shown) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(pathFromUtf8(path), error)) return "cannot open " + shown;
    // A signed file's pack ends before its certificate table.
    const uint64_t packEnd = TPackFile(path.c_str(), false).GetPackEnd();
    std::ifstream file(pathFromUtf8(path), std::ios::binary);
    unsigned char trailer[16] = {};
    if (packEnd < 16 || !file.seekg(static_cast<std::streamoff>(packEnd - 16)) ||
        !file.read(reinterpret_cast<char*>(trailer), 16))
        return shown + " holds no pack";
    if (std::string(reinterpret_cast<char*>(trailer), 4) != "sRBV") return shown + " holds no pack";
    const unsigned version = trailer[12] & 0xF;
    if (version > kPackFormatVersion)
        return shown + ": pack format version " + std::to_string(version) + " is not supported";
    return shown + ": damaged pack (its index cannot be read)";
}

}  // namespace

std::unique_ptr<TPackFile> openPackToRead(const std::string& path) {
    auto pack = std::make_unique<TPackFile>(path.c_str(), false);
    if (!pack->HasIndex() || pack->IsFailed()) throw ToolError(whyNoPack(path, path));
    return pack;
}

std::unique_ptr<TPackFile> openPackToChange(const std::string& path, const std::string& shown) {
    auto pack = std::make_unique<TPackFile>(path.c_str(), true);
    if (!pack->HasIndex() || pack->IsFailed()) {
        std::error_code error;
        if (std::filesystem::exists(pathFromUtf8(path), error))
            throw ToolError(shown + ": damaged pack (its index cannot be read); not changed");
        throw ToolError("cannot write " + shown);
    }
    return pack;
}

std::string readFailureReason(PackReadStatus status) {
    switch (status) {
        case PackReadStatus::Ok:
            return "ok";
        case PackReadStatus::NoEntry:
            return "no such entry";
        case PackReadStatus::DataOutside:
            return "damaged data (beyond the end of the pack's data)";
        case PackReadStatus::Undecodable:
            return "damaged data (cannot be decoded)";
        case PackReadStatus::StoredSizeWrong:
            return "damaged data (they do not end at their stored size)";
        case PackReadStatus::CheckMismatch:
            return "check value mismatch";
        case PackReadStatus::OutputFailed:
            return "cannot be written";
        case PackReadStatus::NoMemory:
            return "out of memory";
    }
    return "damaged data";
}
