// The resources of a Windows program file, read and written without any
// Windows API: nerro-pack gives each installer its product's version
// information and, when the product has one, its icon.
//
// A PE image keeps its resources as a tree that data directory entry 2 (of
// the optional header) names: a directory of types, each a directory of
// names (or ids), each a directory of languages, whose entries point at data
// entries (RVA, size, code page) of the bytes themselves. Every table, name
// and data entry is read byte by byte and checked against the section that
// holds the tree: the bytes may be anything.
//
// The new tree is written as a section of its own behind the image (or over
// the resource section when that is the image's last section, in the file and
// in memory), with the section table, SizeOfImage, SizeOfInitializedData and
// the resource directory entry changed to match and the checksum zeroed; an
// old section named ".rsrc" left behind is renamed ".rsrcold". Every other
// byte of the image stays as it was.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/tool_errors.h"

// A resource tree or image that cannot be read; what() says why, fit to
// follow the file's name and a colon.
class PeResourceError : public ToolError {
public:
    explicit PeResourceError(const std::string& reason) : ToolError(reason) {}
};

// Types, names and languages are numbers or (UTF-16) names. In a directory
// the names come first, in code-unit order, then the numbers, ascending.
struct PeResourceKey {
    bool named = false;
    uint16_t id = 0;
    std::u16string name;

    static PeResourceKey Id(uint16_t value) { return PeResourceKey{false, value, {}}; }
    bool operator<(const PeResourceKey& other) const;
    bool operator==(const PeResourceKey& other) const;
};

struct PeResourceData {
    std::string bytes;
    uint32_t codePage = 0;

    bool operator==(const PeResourceData& other) const {
        return bytes == other.bytes && codePage == other.codePage;
    }
};

using PeResourceLanguages = std::map<PeResourceKey, PeResourceData>;
using PeResourceNames = std::map<PeResourceKey, PeResourceLanguages>;
using PeResourceTree = std::map<PeResourceKey, PeResourceNames>;

// Resource types of the Windows SDK.
constexpr uint16_t kResourceIcon = 3;        // RT_ICON
constexpr uint16_t kResourceGroupIcon = 14;  // RT_GROUP_ICON
constexpr uint16_t kResourceVersion = 16;    // RT_VERSION
constexpr uint16_t kLanguageNeutral = 0;
constexpr uint16_t kLanguageEnglishUs = 0x0409;

// "MZ", "PE\0\0" where the MS-DOS header says the PE header begins, and
// the magic number of a PE32 or PE32+ optional header after the COFF header:
// a program image, whose other headers readPeResources checks.
bool isPeImage(const std::string& image);

// The resource tree of the image (empty when it has none). Throws
// PeResourceError for headers that are cut short or inconsistent and for a
// damaged tree: a table or name beyond the tree, a loop, more or fewer than
// three levels, data outside the image's sections.
PeResourceTree readPeResources(const std::string& image);

// The image with tree as its resources (see the head of this file). Throws
// PeResourceError when the image cannot be read (as readPeResources) or has
// no room for another section header.
std::string writePeResources(const std::string& image, const PeResourceTree& tree);

// What an installer says of itself, from [General] of "Nerro.ini" and the
// installer's file name.
struct ProductIdentity {
    std::string productName;  // "Product name"
    std::string version;      // "Version"
    std::string publisher;    // "Publisher"
    std::string copyright;    // "Copyright"
    std::string fileName;     // the installer's own file name
};

// The four numbers of a version such as "2.1.3": up to four dotted parts,
// each its leading digits (0 when it has none or exceeds 65535, and for a
// missing part), high part first.
std::vector<uint16_t> parseVersionNumbers(const std::string& version);

// A VS_VERSIONINFO block: the fixed part with the version's numbers, an
// application for Windows NT; one string table for US English, Unicode
// (040904B0), holding ProductName, FileDescription ("<name> Setup"),
// OriginalFilename and, when not empty, ProductVersion, FileVersion,
// CompanyName and LegalCopyright. The texts are UTF-8.
std::string versionInfoResource(const ProductIdentity& identity);

// The icon file's images as RT_ICON resources in place of those of the
// tree's icon groups 'groups' (each group replaced by one naming the new
// images, in the group's language). Images no remaining group names are
// dropped. Throws PeResourceError for a damaged icon file.
void replaceIcons(PeResourceTree& tree, const std::string& icoFile,
                  const std::vector<uint16_t>& groups);

// The icon groups of nerro-setup.exe: the large icon (the one Explorer
// shows) and the small one (the window's caption).
const std::vector<uint16_t>& installerIconGroups();
