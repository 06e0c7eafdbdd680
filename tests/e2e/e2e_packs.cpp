#include "tests/e2e/e2e_packs.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "foundation/byte_file.h"
#include "pack/pack_file.h"

namespace e2e {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
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
