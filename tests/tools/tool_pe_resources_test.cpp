// The installer's resources: version information and icon written into the
// stub by nerro-pack build, read back by an independent reader of the
// version block, and damaged resource trees refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "tests/foundation/text_test_support.h"
#include "tests/pack/pack_test_support.h"
#include "tests/pack/pe_image_support.h"
#include "tests/tools/tool_cli_fixture.h"
#include "tools/tool_pe_resources.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;
using namespace tooltest;
using packtest::le16;
using packtest::le32;

namespace {

uint32_t get32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes.at(at + i));
    return value;
}

uint16_t get16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) |
                                 static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}

// What a VS_VERSIONINFO block holds, read block by block as Windows reads it.
struct VersionInfo {
    std::vector<uint32_t> fixed;                 // the 13 fields of VS_FIXEDFILEINFO
    std::map<std::string, std::string> strings;  // key -> value (ASCII here)
    std::string tableKey;                        // "040904B0"
    uint32_t translation = 0;
};

std::string ascii(const std::string& bytes, size_t& at, size_t end) {
    std::string text;
    while (at + 1 < end && get16(bytes, at) != 0) {
        text.push_back(static_cast<char>(get16(bytes, at)));
        at += 2;
    }
    at += 2;
    return text;
}

size_t aligned(size_t at) {
    return (at + 3) / 4 * 4;
}

// Reads the block at `at`; depth 0 VS_VERSION_INFO, 1 StringFileInfo or
// VarFileInfo, 2 a string table or Var, 3 a string. False when damaged.
bool readBlock(const std::string& bytes, size_t at, int depth, const std::string& parent,
               VersionInfo& info) {
    if (at + 6 > bytes.size()) return false;
    const size_t end = at + get16(bytes, at);
    const uint16_t valueLength = get16(bytes, at + 2);
    const uint16_t type = get16(bytes, at + 4);
    if (end > bytes.size() || end < at + 6) return false;
    size_t p = at + 6;
    const std::string key = ascii(bytes, p, end);
    p = aligned(p);
    const size_t valueBytes = type == 1 ? valueLength * 2u : valueLength;
    if (p + valueBytes > end) return false;
    if (depth == 0) {
        if (key != "VS_VERSION_INFO" || valueBytes != 52) return false;
        for (int i = 0; i < 13; ++i)
            info.fixed.push_back(get32(bytes, p + 4 * i));
    } else if (depth == 2 && parent == "StringFileInfo") {
        info.tableKey = key;
    } else if (depth == 2 && key == "Translation") {
        info.translation = get32(bytes, p);
    } else if (depth == 3) {
        size_t q = p;
        info.strings[key] = ascii(bytes, q, p + valueBytes);
        if (q != p + valueBytes) return false;  // the value length counts the terminator
    }
    p = aligned(p + valueBytes);
    while (depth < 3 && p < end) {
        if (!readBlock(bytes, p, depth + 1, key, info)) return false;
        p = aligned(p + get16(bytes, p));
    }
    return true;
}

const PeResourceData* findResource(const PeResourceTree& tree, uint16_t type, uint16_t name) {
    const auto names = tree.find(PeResourceKey::Id(type));
    if (names == tree.end()) return nullptr;
    const auto languages = names->second.find(PeResourceKey::Id(name));
    if (languages == names->second.end() || languages->second.empty()) return nullptr;
    return &languages->second.begin()->second;
}

// An icon file of square 32-bit bitmaps of the given sizes, each filled with
// its own colour.
std::string iconFile(const std::vector<int>& sizes) {
    std::string directory = le16(0) + le16(1) + le16(static_cast<uint16_t>(sizes.size()));
    std::string images;
    size_t offset = 6 + 16 * sizes.size();
    for (const int size : sizes) {
        const uint32_t pixels = size * size * 4;
        const uint32_t mask = ((size + 31) / 32 * 4) * size;
        std::string image = le32(40) + le32(size) + le32(2 * size) + le16(1) + le16(32) + le32(0) +
                            le32(pixels + mask) + le32(0) + le32(0) + le32(0) + le32(0);
        image += std::string(pixels, static_cast<char>(size)) + std::string(mask, '\0');
        directory += std::string(1, static_cast<char>(size)) +
                     std::string(1, static_cast<char>(size)) + std::string(2, '\0') + le16(1) +
                     le16(32) + le32(static_cast<uint32_t>(image.size())) +
                     le32(static_cast<uint32_t>(offset));
        offset += image.size();
        images += image;
    }
    return directory + images;
}

// The image of an icon file's entry number `index`.
std::string iconImage(const std::string& ico, int index) {
    return ico.substr(get32(ico, 6 + 16 * index + 12), get32(ico, 6 + 16 * index + 8));
}

TEST(PeResourcesTest, VersionNumbersAreUpToFourDottedParts) {
    const struct {
        const char* text;
        std::vector<uint16_t> numbers;
    } cases[] = {
        {"1.0", {1, 0, 0, 0}},
        {"2.1.3.4", {2, 1, 3, 4}},
        {"2.1.3.4.5", {2, 1, 3, 4}},
        {"", {0, 0, 0, 0}},
        {"beta", {0, 0, 0, 0}},
        {"2.1b", {2, 1, 0, 0}},
        {"3.0 beta.7", {3, 0, 7, 0}},
        {"70000.1", {0, 1, 0, 0}},
        {"65535.1", {65535, 1, 0, 0}},
        {"1..3", {1, 0, 3, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseVersionNumbers(c.text), c.numbers) << c.text;
}

// The installer's own resources: a real program image with them.
class StubResourcesTest : public ToolCliTest {
protected:
    void SetUp() override {
        if (std::string(NERRO_RESOURCE_STUB).empty())
            GTEST_SKIP() << "no MinGW-w64 tools to link a program with the installer's resources";
        MakeProduct();
        editIni("Product name=Demo Filters 1.0",
                "Product name=Demo Filters 1.0\nVersion=1.2.3\nPublisher=Demo Software\n"
                "Copyright=Copyright (c) Demo Software");
        fs::copy_file(NERRO_RESOURCE_STUB, "real-stub.exe");
    }

    ToolRun Build(const std::string& output) const {
        return Run({"build", "prod", "-o", output, "--stub", "real-stub.exe"});
    }
};

TEST(PeResourcesTest, VersionTextsAreUtf8) {
    // "Łódź Filters", "Café Software", "© 2024", "東京 Setup.exe" in UTF-8.
    const ProductIdentity identity{"\xC5\x81\xC3\xB3\x64\xC5\xBA Filters", "1.0",
                                   "Caf\xC3\xA9 Software", "\xC2\xA9 2024",
                                   "\xE6\x9D\xB1\xE4\xBA\xAC Setup.exe"};
    const std::string block = versionInfoResource(identity);
    const struct {
        const char* key;
        std::u16string value;
    } strings[] = {
        {"ProductName", u"\u0141\u00F3d\u017A Filters"},
        {"FileDescription", u"\u0141\u00F3d\u017A Filters Setup"},
        {"CompanyName", u"Caf\u00E9 Software"},
        {"LegalCopyright", u"\u00A9 2024"},
        {"OriginalFilename", u"\u6771\u4EAC Setup.exe"},
    };
    for (const auto& s : strings) {
        SCOPED_TRACE(s.key);
        // Each value stands in UTF-16 with its terminator.
        const std::string value = texttest::utf16Bytes(s.value + u'\0', false);
        EXPECT_NE(block.find(value), std::string::npos);
    }
    VersionInfo info;
    EXPECT_TRUE(readBlock(block, 0, 0, "", info));  // the lengths count UTF-16 units
}

TEST_F(StubResourcesTest, BuildWritesTheVersionInformation) {
    const ToolRun run = Build("demo-setup.exe");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string stub = readBytes("real-stub.exe");
    const std::string built = readBytes("demo-setup.exe");
    const PeResourceTree before = readPeResources(stub);
    const PeResourceTree tree = readPeResources(built.substr(0, TPackFile("demo-setup.exe", false).GetPackBase()));

    const PeResourceData* version = findResource(tree, kResourceVersion, 1);
    ASSERT_NE(version, nullptr);
    VersionInfo info;
    ASSERT_TRUE(readBlock(version->bytes, 0, 0, "", info));
    EXPECT_EQ(info.strings, (std::map<std::string, std::string>{
                                {"CompanyName", "Demo Software"},
                                {"FileDescription", "Demo Filters 1.0 Setup"},
                                {"FileVersion", "1.2.3"},
                                {"LegalCopyright", "Copyright (c) Demo Software"},
                                {"OriginalFilename", "demo-setup.exe"},
                                {"ProductName", "Demo Filters 1.0"},
                                {"ProductVersion", "1.2.3"},
                            }));
    EXPECT_EQ(info.tableKey, "040904B0");
    EXPECT_EQ(info.translation, 0x04B00409u);
    ASSERT_EQ(info.fixed.size(), 13u);
    EXPECT_EQ(info.fixed[0], 0xFEEF04BDu);
    EXPECT_EQ(info.fixed[2], 0x00010002u);  // file version 1.2
    EXPECT_EQ(info.fixed[3], 0x00030000u);  // .3.0
    EXPECT_EQ(info.fixed[4], 0x00010002u);  // product version
    EXPECT_EQ(info.fixed[5], 0x00030000u);

    // Everything else of the stub's tree is still there, byte for byte.
    PeResourceTree others = tree;
    others.erase(PeResourceKey::Id(kResourceVersion));
    EXPECT_TRUE(others == before);

    // The pack behind the image reads.
    const ToolRun verify = Run({"verify", "demo-setup.exe"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
}

TEST_F(StubResourcesTest, VersionlessProductLeavesOutTheEmptyStrings) {
    editIni("Version=1.2.3", "");
    editIni("Publisher=Demo Software", "");
    ASSERT_EQ(Build("setup.exe").exitCode, 0);
    const PeResourceTree tree = readPeResources(readBytes("setup.exe"));
    const PeResourceData* version = findResource(tree, kResourceVersion, 1);
    ASSERT_NE(version, nullptr);
    VersionInfo info;
    ASSERT_TRUE(readBlock(version->bytes, 0, 0, "", info));
    EXPECT_EQ(info.strings.count("FileVersion"), 0u);
    EXPECT_EQ(info.strings.count("CompanyName"), 0u);
    EXPECT_EQ(info.strings.at("ProductName"), "Demo Filters 1.0");
    EXPECT_EQ(info.fixed.at(2), 0u);
    EXPECT_EQ(info.fixed.at(3), 0u);
}

TEST_F(StubResourcesTest, SetupIcoReplacesTheWindowIcons) {
    const PeResourceTree before = readPeResources(readBytes("real-stub.exe"));
    const std::string ico = iconFile({16, 32});
    writeBytes("prod/setup.ico", ico);
    const ToolRun run = Build("setup.exe");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const PeResourceTree tree = readPeResources(readBytes("setup.exe"));

    std::vector<uint16_t> named;
    for (const uint16_t group : {128, 133}) {
        const PeResourceData* data = findResource(tree, kResourceGroupIcon, group);
        ASSERT_NE(data, nullptr) << group;
        // The icon file's directory with resource ids in place of offsets.
        const std::string& bytes = data->bytes;
        ASSERT_EQ(bytes.size(), 6u + 2 * 14) << group;
        EXPECT_EQ(bytes.substr(0, 6), ico.substr(0, 6));
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(bytes.substr(6 + 14 * i, 12), ico.substr(6 + 16 * i, 12)) << group;
            const uint16_t id = get16(bytes, 6 + 14 * i + 12);
            const PeResourceData* image = findResource(tree, kResourceIcon, id);
            ASSERT_NE(image, nullptr) << id;
            EXPECT_TRUE(image->bytes == iconImage(ico, i)) << id;
            if (group == 128) named.push_back(id);
        }
    }
    // The stub's own images are gone: only the two new ones remain.
    EXPECT_EQ(tree.at(PeResourceKey::Id(kResourceIcon)).size(), 2u);
    EXPECT_GT(before.at(PeResourceKey::Id(kResourceIcon)).size(), 2u);
    EXPECT_EQ(named.size(), 2u);
    // The dialogs and the manifest are untouched.
    for (const uint16_t type : {5, 24})
        EXPECT_TRUE(tree.at(PeResourceKey::Id(type)) == before.at(PeResourceKey::Id(type))) << type;
}

TEST_F(StubResourcesTest, SameInputsGiveTheSameInstaller) {
    writeBytes("prod/setup.ico", iconFile({16}));
    fs::create_directories("again");
    ASSERT_EQ(Build("setup.exe").exitCode, 0);
    ASSERT_EQ(Build("again/setup.exe").exitCode, 0);
    EXPECT_TRUE(readBytes("setup.exe") == readBytes("again/setup.exe"));
}

TEST_F(StubResourcesTest, ObjdumpFindsTheNewResourceSection) {
    const std::string objdump = "x86_64-w64-mingw32-objdump";
    if (!programOnPath(objdump)) GTEST_SKIP() << objdump << " is not installed";
    ASSERT_EQ(Build("setup.exe").exitCode, 0);
    const ToolRun dump = runProgram(objdump, {"-p", "setup.exe"}, scratch_.Capture());
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_NE(dump.out.find("Resource Directory [.rsrc]"), std::string::npos);
    // The type table lists RT_VERSION (0x10) beside the icon groups (0x0e).
    EXPECT_NE(dump.out.find("Entry: ID: 0x000010"), std::string::npos);
    EXPECT_NE(dump.out.find("Entry: ID: 0x00000e"), std::string::npos);
}

#ifdef _WIN32
// Windows itself reads what nerro-pack wrote, and the installer starts.
TEST_F(StubResourcesTest, WindowsReadsTheVersionAndTheIconAndTheInstallerStarts) {
    writeBytes("prod/setup.ico", iconFile({16, 32}));
    ASSERT_EQ(Build("setup.exe").exitCode, 0);
    const std::string path = (fs::current_path() / "setup.exe").string();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    const struct {
        const char* key;
        const char* value;
    } strings[] = {{"ProductName", "Demo Filters 1.0"},
                   {"ProductVersion", "1.2.3"},
                   {"CompanyName", "Demo Software"},
                   {"OriginalFilename", "setup.exe"}};
    for (const auto& s : strings) {
        char* value = nullptr;
        UINT length = 0;
        const std::string query = std::string("\\StringFileInfo\\040904B0\\") + s.key;
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                   &length))
            << s.key;
        EXPECT_STREQ(value, s.value);
    }
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(128), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    ICONINFO iconInfo = {};
    if (icon && GetIconInfo(icon, &iconInfo)) {
        BITMAP bitmap = {};
        GetObjectA(iconInfo.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 32);
        DeleteObject(iconInfo.hbmColor);
        DeleteObject(iconInfo.hbmMask);
        DestroyIcon(icon);
    }
    FreeLibrary(module);
    // The installer runs: an unknown switch is wrong usage (2), told silently.
    const ToolRun started = runProgram(path, {"/S", "/NOSUCHSWITCH"}, scratch_.Capture());
    EXPECT_EQ(started.exitCode, 2);
}
#endif

// Hand-made images: the 1024-byte test program with a resource section of
// our own behind its code, as its last section.
constexpr uint32_t kTreeAddress = 0x2000;
constexpr size_t kTreeAt = 0x400;

// root -> type 24 -> id 1 -> language 0x409 -> 5 bytes "hello".
std::string smallTree() {
    std::string tree;
    auto table = [&](uint16_t ids) { tree += le32(0) + le32(0) + le16(0) + le16(0) + le16(0) + le16(ids); };
    table(1);
    tree += le32(24) + le32(0x80000018);
    table(1);
    tree += le32(1) + le32(0x80000030);
    table(1);
    tree += le32(0x409) + le32(0x48);
    tree += le32(kTreeAddress + 0x58) + le32(5) + le32(0) + le32(0);
    tree += "hello";
    return tree;
}

std::string withTree(const std::string& tree, uint32_t directorySize) {
    std::string image = packtest::peImage(packtest::PeKind::Pe32);
    const size_t optional = 0x40 + 24;
    const size_t section = optional + 0xE0 + 40;
    auto put = [&image](size_t at, const std::string& bytes) { image.replace(at, bytes.size(), bytes); };
    put(0x40 + 6, le16(2));
    put(section, ".rsrc");
    put(section + 8, le32(static_cast<uint32_t>(tree.size())) + le32(kTreeAddress) + le32(0x200) +
                         le32(kTreeAt));
    put(section + 36, le32(0x40000040));
    put(optional + 56, le32(0x3000));
    put(optional + 96 + 2 * 8, le32(kTreeAddress) + le32(directorySize));
    std::string raw = tree;
    raw.resize(0x200, '\0');
    return image + raw;
}

TEST(PeResourcesTest, LastResourceSectionIsRewrittenInPlace) {
    const std::string image = withTree(smallTree(), static_cast<uint32_t>(smallTree().size()));
    PeResourceTree tree = readPeResources(image);
    ASSERT_NE(findResource(tree, 24, 1), nullptr);
    EXPECT_EQ(findResource(tree, 24, 1)->bytes, "hello");
    tree[PeResourceKey::Id(kResourceVersion)][PeResourceKey::Id(1)][PeResourceKey::Id(0)] =
        PeResourceData{std::string(3000, 'v'), 0};

    const std::string out = writePeResources(image, tree);
    EXPECT_TRUE(readPeResources(out) == tree);
    const size_t optional = 0x40 + 24;
    EXPECT_EQ(get16(out, 0x40 + 6), 2);  // no new section
    const uint32_t size = get32(out, optional + 96 + 2 * 8 + 4);
    EXPECT_EQ(get32(out, optional + 96 + 2 * 8), kTreeAddress);
    EXPECT_EQ(get32(out, optional + 56), (kTreeAddress + size + 0xFFF) / 0x1000 * 0x1000);
    const size_t section = optional + 0xE0 + 40;
    EXPECT_EQ(get32(out, section + 8), size);
    EXPECT_EQ(get32(out, section + 16) % 0x200, 0u);
    EXPECT_EQ(out.size(), kTreeAt + get32(out, section + 16));
    // The code section and everything before the tree is as it was, but for
    // the header fields the tree changes.
    EXPECT_TRUE(out.substr(0x200, 0x200) == image.substr(0x200, 0x200));
    EXPECT_EQ(out.substr(0, optional + 8), image.substr(0, optional + 8));
}

TEST(PeResourcesTest, ImageWithoutResourcesGetsANewSection) {
    const std::string image = packtest::peImage(packtest::PeKind::Pe32Plus);
    ASSERT_TRUE(readPeResources(image).empty());
    PeResourceTree tree;
    tree[PeResourceKey::Id(kResourceVersion)][PeResourceKey::Id(1)][PeResourceKey::Id(0)] =
        PeResourceData{"version", 0};
    const std::string out = writePeResources(image, tree);
    EXPECT_TRUE(readPeResources(out) == tree);
    EXPECT_EQ(get16(out, 0x40 + 6), 2);
    const size_t section = 0x40 + 24 + 0xF0 + 40;
    EXPECT_EQ(out.substr(section, 8), std::string(".rsrc\0\0\0", 8));
    EXPECT_EQ(get32(out, section + 12), 0x2000u);  // after .text, section-aligned
    EXPECT_EQ(get32(out, section + 20), 0x400u);   // after the file, file-aligned
    EXPECT_EQ(out.substr(0x200, 0x200), image.substr(0x200, 0x200));
}

TEST_F(ToolCliTest, DamagedResourceTreesAreRefusedAndNothingIsWritten) {
    const std::string good = smallTree();
    auto changed = [&good](size_t at, uint32_t value) {
        std::string tree = good;
        tree.replace(at, 4, le32(value));
        return withTree(tree, static_cast<uint32_t>(tree.size()));
    };
    const struct {
        const char* label;
        std::string stub;
        std::string reason;
    } cases[] = {
        {"directory cut short", withTree(good, 0x20), "a directory table lies outside"},
        {"a type leads back to the root", changed(0x14, 0x80000000), "reached twice (a loop)"},
        {"a table beyond the section", changed(0x14, 0x80001000), "a directory table lies outside"},
        {"a name beyond the section", changed(0x10, 0x80000FF0), "a name lies outside"},
        {"data outside every section", changed(0x48, 0x9000), "data lie outside the image's sections"},
        {"a fourth level", changed(0x44, 0x80000000), "not three levels deep"},
        {"a data entry as a type", changed(0x14, 0x48), "not three levels deep"},
        {"directory in no section", [&good] {
             std::string image = withTree(good, static_cast<uint32_t>(good.size()));
             image.replace(0x40 + 24 + 96 + 16, 4, le32(0x7000));
             return image;
         }(),
         "the resource directory lies in no section"},
    };
    for (const auto& c : cases) {
        MakeProduct();
        writeBytes("stub.exe", c.stub);
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
        EXPECT_EQ(run.exitCode, 1) << c.label;
        EXPECT_EQ(run.err.rfind("nerro-pack: the stub stub.exe: ", 0), 0u) << c.label << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.label << run.err;
        EXPECT_NE(run.err.find("; nothing written"), std::string::npos) << c.label;
        EXPECT_FALSE(fs::exists("setup.exe")) << c.label;
    }
    // The undamaged tree builds.
    writeBytes("stub.exe", withTree(good, static_cast<uint32_t>(good.size())));
    const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST_F(ToolCliTest, DamagedIconFilesAreRefused) {
    const std::string ico = iconFile({16});
    std::string notAnImage = ico;
    notAnImage.replace(22, 4, "JUNK");
    const struct {
        const char* label;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"no icon file", "BM not an icon", "not an icon file"},
        {"no image", le16(0) + le16(1) + le16(0), "the icon file holds no image"},
        {"directory cut short", ico.substr(0, 12), "the icon file's directory is cut short"},
        {"image beyond the file", ico.substr(0, ico.size() - 1), "image 1 lies outside the icon file"},
        {"neither bitmap nor PNG", notAnImage, "image 1 is neither a bitmap nor a PNG"},
    };
    for (const auto& c : cases) {
        MakeProduct();
        writeBytes("stub.exe", packtest::peImage(packtest::PeKind::Pe32));
        writeBytes("prod/setup.ico", c.bytes);
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
        EXPECT_EQ(run.exitCode, 1) << c.label;
        EXPECT_EQ(run.err, "nerro-pack: " + (fs::path("prod") / "setup.ico").string() + ": " +
                               c.reason + "; nothing written\n")
            << c.label;
        EXPECT_FALSE(fs::exists("setup.exe")) << c.label;
    }
}

}  // namespace
