// Helpers of the Windows installation tests: folders, registry keys and packs
// of their own, each removed again when the helper goes, so the tests run in
// any order and in parallel.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "platform/win_sdk.h"

namespace installtest {

// A name no other test run uses: prefix, process id, a counter and the time.
std::string UniqueName(const std::string& prefix);

// Paths of any length and names of any letters work in every helper (UTF-8).

// A folder of its own, created under base (default: the temporary folder) and
// removed with everything in it, read-only files included.
class TestFolder {
public:
    explicit TestFolder(const std::string& base = "");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder's path, without a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Removes a folder tree (clearing read-only attributes first); no error when
// it is missing.
void RemoveTree(const std::string& path);

// A registry key path under root that does not exist yet; at the end the
// outermost key that the test created on the way to it is deleted with its
// whole tree. Create() makes the key itself.
class ScopedRegKey {
public:
    // view: 0 for the program's own registry view, KEY_WOW64_32KEY or
    // KEY_WOW64_64KEY for that one.
    ScopedRegKey(HKEY root, std::string path, REGSAM view = 0);
    ~ScopedRegKey();
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    // False when some part of the path already existed before the test (then
    // it is not ours, and is not deleted).
    bool Fresh() const { return !outermostNew_.empty(); }
    HKEY Root() const { return root_; }
    const std::string& Path() const { return path_; }
    void Create() const;
    // Sets a value of any type; REG_SZ data (UTF-8) go as UTF-16 with their NUL.
    void Set(const std::string& name, DWORD type, const std::string& data) const;
    void SetString(const std::string& name, const std::string& text) const {
        Set(name, REG_SZ, text);
    }

private:
    HKEY root_;
    std::string path_;
    REGSAM view_;
    std::string outermostNew_;
};

// The registry view in which the 32-bit host applications keep their keys.
constexpr REGSAM kHostView = KEY_WOW64_32KEY;

bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0);

// Every value of root\path as UTF-8 text (REG_SZ and REG_EXPAND_SZ without their
// NUL; other types as "<type N>"); empty when the key is missing.
std::map<std::string, std::string> ReadValues(HKEY root, const std::string& path,
                                              REGSAM view = 0);

// Every folder ("<relative>\\" = "<folder>") and file ("<relative>" = its
// bytes) below folder, by the names the system lists.
std::map<std::string, std::string> FolderTree(const std::string& folder);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// What a shell link (".lnk" file) holds; all empty when it cannot be read.
struct ShortcutFields {
    std::string target, workingFolder, arguments, description;
};
ShortcutFields ReadShortcut(const std::string& path);

// One entry of a test pack.
struct PackItem {
    std::string name;
    std::string data;
    uint32_t mode = kPackModeStore;
};
// Writes a stub and a pack of items to path.
void WritePack(const std::string& path, const std::vector<PackItem>& items);

// Deterministic bytes that compress a little, like program files do.
std::string SampleBytes(size_t size, uint32_t seed);

}  // namespace installtest
