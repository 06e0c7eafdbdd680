#include "tools/tool_product_checks.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "config/install_config.h"
#include "foundation/text_decoding.h"
#include "foundation/tinifile.h"
#include "pack/pack_endian.h"
#include "tools/tool_files.h"

namespace fs = std::filesystem;

namespace {

// Every key of [General] the installer reads, as it spells them.
const char* const kGeneralKeys[] = {
    "Title",
    "Product name",
    "Copyright",
    "Version",
    "Publisher",
    "Product ID",
    "Help link",
    "Registry key",
    "Default folder",
    "Default program folder",
    "Main executable",
    "Readme",
    "Run with '/install'",
    "Run with '/uninstall'",
    "Advanced options",
    "Advanced options def",
    "Number of file types",
    "Number of files",
    "Built-in hosts",
    "Code page",
};
// The keys "File type N.<key>" of [General].
const char* const kFileTypeKeys[] = {
    "Description", "Name", "Extensions", "Icon", "Open command", "Open command file",
};
constexpr const char* kFileTypePrefix = "File type ";

class Reporter {
public:
    explicit Reporter(std::ostream& err) : err_(err) {}
    void Error(const std::string& where, const std::string& text) {
        err_ << "nerro-pack: " << where << ": " << text << '\n';
        failed_ = true;
    }
    void Warning(const std::string& where, const std::string& text) {
        err_ << "nerro-pack: warning: " << where << ": " << text << '\n';
    }
    bool Failed() const { return failed_; }

private:
    std::ostream& err_;
    bool failed_ = false;
};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isDecimal(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// True when b is a with one letter changed, added or dropped.
bool oneEditApart(const std::string& a, const std::string& b) {
    if (a.size() > b.size()) return oneEditApart(b, a);
    if (b.size() - a.size() > 1) return false;
    size_t i = 0;
    while (i < a.size() && a[i] == b[i])
        ++i;
    if (a.size() == b.size()) return a.compare(i + 1, std::string::npos, b, i + 1) == 0;
    return a.compare(i, std::string::npos, b, i + 1) == 0;
}

// The known key that key nearly is (same but for letter case, or one letter),
// or nothing when it is one exactly or none is near.
template <size_t N>
std::optional<std::string> nearKey(const std::string& key, const char* const (&known)[N]) {
    for (const char* candidate : known)
        if (key == candidate) return std::nullopt;
    for (const char* candidate : known) {
        const std::string near = lower(candidate);
        if (lower(key) == near || oneEditApart(lower(key), near)) return std::string(candidate);
    }
    return std::nullopt;
}

bool isOneOf(const std::string& key, const char* const (&known)[6]) {
    return std::any_of(std::begin(known), std::end(known),
                       [&key](const char* candidate) { return key == candidate; });
}

// What the [General] key should have been, if it is a misspelt known one.
std::optional<std::string> misspeltGeneralKey(const std::string& key) {
    const std::string prefix = kFileTypePrefix;
    if (lower(key).compare(0, prefix.size(), lower(prefix)) == 0) {
        const size_t dot = key.find('.', prefix.size());
        const std::string number =
            key.substr(prefix.size(), dot == std::string::npos ? dot : dot - prefix.size());
        if (dot != std::string::npos && isDecimal(number)) {
            std::string rest = key.substr(dot + 1);
            if (!isOneOf(rest, kFileTypeKeys)) {
                const std::optional<std::string> near = nearKey(rest, kFileTypeKeys);
                if (!near) return std::nullopt;
                rest = *near;
            }
            const std::string meant = prefix + number + "." + rest;
            if (meant == key) return std::nullopt;
            return meant;
        }
    }
    return nearKey(key, kGeneralKeys);
}

struct IniLine {
    size_t number;        // from 1
    std::string section;  // the section it stands in
    std::string key;      // empty for a line without "="
    std::string value;
};

std::string trimmed(const std::string& text) {
    const auto blank = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t first = 0, last = text.size();
    while (first < last && blank(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && blank(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// The lines as the installer's INI reader sees them: trimmed, a section
// header "[name]", a key before the first "=".
std::vector<IniLine> iniLines(const std::string& text) {
    std::vector<IniLine> lines;
    std::string section;
    size_t start = 0;
    for (size_t number = 1; start <= text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        lines.push_back(
            {number, section, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1))});
    }
    return lines;
}

std::string at(const std::string& shown, size_t line) {
    return shown + ":" + std::to_string(line);
}

// The text of "Nerro.ini" or a catalogue as the installer reads it
// (text_decoding.h; the code page named in codePageSection), or nothing
// after an error: a code page the system does not know, a line too long.
// Warns of a legacy (ANSI) text in no declared code page that holds bytes of
// 0x80 and above: they read as other letters on a system of another language.
std::optional<std::string> decodedText(const std::string& bytes, const std::string& shown,
                                       const char* codePageSection, Reporter& report) {
    const DecodedText decoded = DecodeTextFile(reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size(), codePageSection);
    if (!decoded.error.empty()) {
        // Keys are ASCII in every code page: the declaration is found in the bytes.
        size_t line = 1;
        for (const IniLine& declared : iniLines(bytes))
            if (declared.section == codePageSection && declared.key == "Code page") {
                line = declared.number;
                break;
            }
        report.Error(at(shown, line), decoded.error + ": save the file as UTF-8");
        return std::nullopt;
    }
    if (decoded.encoding == TextEncoding::SystemCodePage && decoded.firstNonAsciiLine > 0) {
        report.Warning(at(shown, static_cast<size_t>(decoded.firstNonAsciiLine)),
                       std::string("saved as ANSI with no \"Code page\" in [") + codePageSection +
                           "]: its letters depend on the code page of the user's system; save "
                           "it as UTF-8");
    }
    TIniFile ini;
    if (!ini.Parse(decoded.text.c_str()) && ini.ErrorLine() > 0) {
        report.Error(at(shown, static_cast<size_t>(ini.ErrorLine())),
                     "line longer than " + std::to_string(TIniFile::kMaxLineLength) +
                         " bytes: the installer cannot read the file");
        return std::nullopt;
    }
    return decoded.text;
}

void checkGeneralKeys(const std::vector<IniLine>& lines, const std::string& shown,
                      Reporter& report) {
    for (const IniLine& line : lines) {
        if (line.section != "General" || line.key.empty()) continue;
        const std::string where = at(shown, line.number);
        if (const std::optional<std::string> meant = misspeltGeneralKey(line.key)) {
            report.Warning(where, quoted(line.key) +
                                      " is not a key the installer reads: did you mean " +
                                      quoted(*meant) + "?");
        }
        if (line.key == "Title" && line.value.empty())
            report.Warning(where, "\"Title\" is empty: the installer's window has no caption");
    }
}

void checkFileCount(const std::vector<IniLine>& lines, const std::string& shown, Reporter& report) {
    const auto count = std::find_if(lines.begin(), lines.end(), [](const IniLine& line) {
        return line.section == "General" && line.key == "Number of files";
    });
    if (count == lines.end()) return;  // the configuration check names a missing count
    const std::string where = at(shown, count->number);
    if (!isDecimal(count->value) || count->value.size() > 9) {
        report.Error(where, "\"Number of files\" is " + quoted(count->value) + ", not a number");
        return;
    }
    const long files = std::stol(count->value);
    // The numbered sections that hold a key: [0], [1]...
    std::vector<long> sections;
    for (const IniLine& line : lines)
        if (isDecimal(line.section) && line.section.size() <= 9)
            sections.push_back(std::stol(line.section));
    std::sort(sections.begin(), sections.end());
    sections.erase(std::unique(sections.begin(), sections.end()), sections.end());
    const bool matches = static_cast<long>(sections.size()) == files &&
                         (sections.empty() || sections.back() == files - 1);
    if (matches) return;
    std::string present = "no file sections";
    if (!sections.empty()) {
        present =
            std::to_string(sections.size()) + " file section" + (sections.size() == 1 ? "" : "s") +
            " ([" + std::to_string(sections.front()) + "]" +
            (sections.size() > 1 ? " to [" + std::to_string(sections.back()) + "]" : "") + ")";
    }
    report.Error(where, "\"Number of files\" is " + count->value + " but Nerro.ini has " + present);
}

// A Windows bitmap: "BM", a file header, and an info header of a known size
// with a width, a height, one plane and a colour depth the system draws.
std::string bitmapProblem(const std::string& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return "does not begin with \"BM\"";
    if (bytes.size() < 14 + 12) return "too short for a bitmap's headers";
    const uint32_t pixels = readLe32(data + 10);
    const uint32_t infoSize = readLe32(data + 14);
    const uint32_t known[] = {12, 40, 52, 56, 108, 124};
    if (std::find(std::begin(known), std::end(known), infoSize) == std::end(known) ||
        14 + uint64_t{infoSize} > bytes.size())
        return "its info header is damaged";
    int64_t width = 0, height = 0;
    uint16_t planes = 0, depth = 0;
    if (infoSize == 12) {
        width = readLe16(data + 18);
        height = readLe16(data + 20);
        planes = readLe16(data + 22);
        depth = readLe16(data + 24);
    } else {
        width = static_cast<int32_t>(readLe32(data + 18));
        height = static_cast<int32_t>(readLe32(data + 22));
        planes = readLe16(data + 26);
        depth = readLe16(data + 28);
    }
    const uint16_t depths[] = {1, 4, 8, 16, 24, 32};
    if (width <= 0 || height == 0 || planes != 1 ||
        std::find(std::begin(depths), std::end(depths), depth) == std::end(depths))
        return "its size or colour depth is not a bitmap's";
    if (pixels < 14 + infoSize || pixels >= bytes.size()) return "its pixels lie outside the file";
    return {};
}

}  // namespace

bool checkProductFiles(const fs::path& dir, std::ostream& err) {
    Reporter report(err);
    const fs::path iniPath = dir / kConfigEntryName;
    std::error_code error;
    if (fs::is_regular_file(iniPath, error)) {
        const std::string shown = utf8Path(iniPath);
        const std::optional<std::string> text =
            decodedText(readWholeFile(iniPath), shown, kConfigCodePageSection, report);
        if (text) {
            const std::vector<IniLine> lines = iniLines(*text);
            checkGeneralKeys(lines, shown, report);
            checkFileCount(lines, shown, report);
        }
    }
    std::vector<fs::path> catalogues;
    for (const fs::directory_entry& item : fs::directory_iterator(dir, error)) {
        const std::string name = utf8Path(item.path().filename());
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".clg") == 0 &&
            item.is_regular_file(error))
            catalogues.push_back(item.path());
    }
    std::sort(catalogues.begin(), catalogues.end());
    for (const fs::path& catalogue : catalogues)
        decodedText(readWholeFile(catalogue), utf8Path(catalogue), kCatalogueCodePageSection,
                    report);
    const fs::path logo = dir / kLogoEntryName;
    if (fs::is_regular_file(logo, error)) {
        const std::string problem = bitmapProblem(readWholeFile(logo));
        if (!problem.empty()) report.Error(utf8Path(logo), "not a bitmap: " + problem);
    }
    return !report.Failed();
}
