#include "tests/tools/tool_cli_fixture.h"

#include <stdexcept>

namespace fs = std::filesystem;

namespace tooltest {

const char* const kProductIni =
    "[General]\n"
    "Title=Demo Setup\n"
    "Product name=Demo Filters 1.0\n"
    "Registry key=Software\\Demo\\Filters\n"
    "Default folder=\\Demo Filters\n"
    "Main executable=0\n"
    "Number of files=3\n"
    "[0]\n"
    "Name=filter.8bf\n"
    "Create name=filter.8bf\n"
    "Can uninstall=1\n"
    "[1]\n"
    "Name=docs\\readme.txt\n"
    "Create name=readme.txt\n"
    "[2]\n"
    "Name=nerro-uninstall.exe\n"
    "Create name=Uninstall.exe\n";

namespace {

std::string pattern(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(seed >> 24);
    }
    return bytes;
}

std::string le(uint32_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

// A 24-bit bitmap of noise: file and info headers, then the rows.
std::string noiseBitmap(uint32_t width, uint32_t height) {
    const uint32_t rowSize = (width * 3 + 3) / 4 * 4;
    const uint32_t pixels = rowSize * height;
    return "BM" + le(54 + pixels, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(width, 4) +
           le(height, 4) + le(1, 2) + le(24, 2) + le(0, 4) + le(pixels, 4) + le(2835, 4) +
           le(2835, 4) + le(0, 4) + le(0, 4) + pattern(pixels, 7);
}

std::string filterText() {
    std::string text;
    for (int line = 0; text.size() < 30000; ++line)
        text += "filter row " + std::to_string(line % 97) + " gain " + std::to_string(line) + "\n";
    text.resize(30000);
    return text;
}

}  // namespace

const std::map<std::string, std::string>& productFiles() {
    static const std::map<std::string, std::string> files = {
        {"Nerro.ini", kProductIni},
        {"logo.bmp", noiseBitmap(16, 20)},
        {"English.clg", "[Main]\n1=Install\n2=Cancel\n"},
        {"filter.8bf", filterText()},
        {"docs/readme.txt", "Read me first.\n"},
        {"nerro-uninstall.exe", "MZ" + pattern(1998, 11)},
        {"notes.txt", "not part of the product\n"},
    };
    return files;
}

const std::vector<std::pair<std::string, std::string>>& productEntries() {
    static const std::vector<std::pair<std::string, std::string>> entries = {
        {"English.clg", "English.clg"},
        {"Nerro.ini", "Nerro.ini"},
        {"docs\\readme.txt", "docs/readme.txt"},
        {"filter.8bf", "filter.8bf"},
        {"logo.bmp", "logo.bmp"},
        {"nerro-uninstall.exe", "nerro-uninstall.exe"},
    };
    return entries;
}

std::string stubBytes() {
    return "MZ" + std::string(4094, '\x90');
}

ToolCliTest::ToolCliTest() {
    setEnvironment("SOURCE_DATE_EPOCH", "1700000000");
}

ToolRun ToolCliTest::Run(const std::vector<std::string>& args,
                         const std::string& shellPrefix) const {
    return runProgram(NERRO_PACK_EXE, args, scratch_.Capture(), shellPrefix);
}

void ToolCliTest::MakeProduct(const fs::path& folder) const {
    fs::remove_all(folder);
    for (const auto& [name, bytes] : productFiles())
        writeBytes(folder / name, bytes);
    writeBytes("stub.exe", stubBytes());
}

void editIni(const std::string& line, const std::string& replacement, const fs::path& folder) {
    std::string text = readBytes(folder / "Nerro.ini");
    const size_t at = text.find(line + "\n");
    if (at == std::string::npos) throw std::logic_error("no line " + line);
    text.replace(at, line.size() + 1, replacement.empty() ? "" : replacement + "\n");
    writeBytes(folder / "Nerro.ini", text);
}

}  // namespace tooltest
