#include "tests/e2e/e2e_packs.h"

#include "platform/win_sdk.h"

#include <cstdio>

#include "foundation/byte_file.h"
#include "foundation/utf8.h"
#include "pack/pack_file.h"

namespace e2e {

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    std::FILE* in = OpenFileUtf8(path.c_str(), "rb");
    if (!in) return bytes;
    char piece[64 * 1024];
    size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, in)) > 0)
        bytes.append(piece, got);
    std::fclose(in);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* out = OpenFileUtf8(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

PackContents DemoProductContents() {
    PackContents contents;
    const std::string folder = NERRO_DEMO_PRODUCT;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return contents;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            contents[found.cFileName] = ReadWholeFile(folder + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return contents;
}

bool WriteInstaller(const std::string& path, const std::string& stubPath,
                    const PackContents& contents) {
    if (!WriteWholeFile(path, stubPath.empty() ? std::string() : ReadWholeFile(stubPath)))
        return false;
    TPackFile pack(path.c_str(), true);
    if (!pack.HasIndex()) return false;
    for (const auto& [name, bytes] : contents) {
        MemoryFile input(bytes);
        if (!pack.AddStream(input, name.c_str(), kPackModeBlock)) return false;
    }
    pack.Flush();
    return !pack.IsFailed();
}

bool FlipEntryByte(const std::string& installer, const std::string& entryName) {
    uint64_t position = 0;
    {
        TPackFile pack(installer.c_str(), false);
        const TPackEntry* entry = pack.Find(entryName.c_str());
        if (!entry || entry->storedSize == 0) return false;
        position = pack.GetPackBase() + entry->offset + entry->storedSize / 2;
    }
    std::string bytes = ReadWholeFile(installer);
    if (position >= bytes.size()) return false;
    bytes[position] = static_cast<char>(~bytes[position]);
    return WriteWholeFile(installer, bytes);
}

}  // namespace e2e
