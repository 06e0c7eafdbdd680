#include "foundation/tinifile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "foundation/byte_file.h"
#include "foundation/utf8.h"

namespace {

IniResourceSource resourceSource = nullptr;

// A source whose text includes itself would recurse without end.
constexpr int kMaxIncludeDepth = 16;

constexpr size_t kReadPieceSize = 16 * 1024;

// The C locale's isspace, without its dependence on the current locale and
// on the sign of char: bytes 0x80 and above are never whitespace.
bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isBlankOrControl(unsigned char c) {
    return c >= 0x01 && c <= 0x20;
}

const char* skipSpaces(const char* p) {
    while (isSpace(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

// True when the part of line before its first "=" (the whole line when it
// has none) equals key.
bool keyEquals(const char* line, const char* key) {
    if (!key || std::strchr(key, '=')) return false;
    size_t length = std::strlen(key);
    return std::strncmp(line, key, length) == 0 && (line[length] == '=' || line[length] == '\0');
}

int32_t clampToInt32(long long value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

char* copyOf(const std::string& text) {
    char* block = static_cast<char*>(std::malloc(text.size() + 1));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

// "#define" line after the directive: the name is the next run delimited by
// spaces, the value the next run delimited by spaces or carriage returns.
std::string defineLine(const char* p) {
    while (*p == ' ')
        ++p;
    const char* nameEnd = p;
    while (*nameEnd && *nameEnd != ' ')
        ++nameEnd;
    std::string name(p, nameEnd);
    const char* v = nameEnd;
    while (*v == ' ' || *v == '\r')
        ++v;
    v = skipSpaces(v);
    const char* valueEnd = v;
    while (*valueEnd && *valueEnd != ' ' && *valueEnd != '\r')
        ++valueEnd;
    if (v == valueEnd) {
        // No value: keep the name without the line's trailing control bytes.
        while (!name.empty() && isBlankOrControl(static_cast<unsigned char>(name.back())))
            name.pop_back();
    }
    return name + "=" + std::string(v, valueEnd);
}

// Trims the line's ends and the blanks on both sides of its first "=".
std::string normalisedLine(const char* text) {
    std::string line(text);
    size_t first = 0;
    while (first < line.size() && isBlankOrControl(static_cast<unsigned char>(line[first])))
        ++first;
    size_t last = line.size();
    while (last > first && isBlankOrControl(static_cast<unsigned char>(line[last - 1])))
        --last;
    line = line.substr(first, last - first);

    size_t equals = line.find('=');
    if (equals != std::string::npos) {
        size_t valueStart = equals + 1;
        while (valueStart < line.size() &&
               isBlankOrControl(static_cast<unsigned char>(line[valueStart])))
            ++valueStart;
        size_t keyEnd = equals;
        while (keyEnd > 0 && isBlankOrControl(static_cast<unsigned char>(line[keyEnd - 1])))
            --keyEnd;
        line = line.substr(0, keyEnd) + "=" + line.substr(valueStart);
    }
    return line;
}

// One token of a string list, starting at p; advances p past its ending byte.
std::string nextToken(const char*& p) {
    p = skipSpaces(p);
    if (*p == ',') ++p;
    p = skipSpaces(p);
    const char* start = p;
    const char* end;
    if (*p == '"') {
        start = p + 1;
        end = std::strchr(start, '"');
        if (!end) end = std::strchr(start, '\n');
        if (!end) end = std::strchr(start, '\r');
    } else {
        end = std::strchr(start, ',');
        if (!end) end = std::strchr(start, ' ');
        if (!end) end = std::strchr(start, '\n');
        if (!end) end = std::strchr(start, '\r');
    }
    if (!end) {
        end = start + std::strlen(start);
        p = end;
    } else {
        p = end + 1;
    }
    return std::string(start, end);
}

}  // namespace

void setIniResourceSource(IniResourceSource source) {
    resourceSource = source;
}

const char* TIniFile::ClassName() const {
    return "TIniFile";
}

TObject* TIniFile::CastTo(const char* name) {
    if (name && std::strcmp(name, "TIniFile") == 0) return this;
    return TObject::CastTo(name);
}

TIniFile::~TIniFile() {
    freeLines();
}

void TIniFile::freeLines() {
    if (!lines_) return;
    lines_->deleteAllItems();
    delete lines_;
    lines_ = nullptr;
}

// ---------------------------------------------------------------- reading

bool TIniFile::Load(const char* path) {
    fileName_ = path ? path : "";
    failed = true;
    const std::unique_ptr<DiskFile> file = DiskFile::Open(fileName_.c_str(), DiskFile::Access::Read);
    if (!file) return false;
    std::string text;
    char piece[kReadPieceSize];
    size_t got = 0;
    do {
        if (!file->Read(piece, sizeof piece, got)) return false;
        text.append(piece, got);
    } while (got > 0);
    failed = false;
    return Parse(text.c_str());
}

bool TIniFile::Reload() {
    if (lines_) lines_->deleteAllItems();
    failed = true;
    if (resourceSource) {
        if (char* text = resourceSource(fileName_.c_str(), 0, 0, 0)) {
            failed = false;
            Parse(text);
            std::free(text);
        }
    }
    return !failed;
}

bool TIniFile::Parse(const char* text) {
    freeLines();
    errorLine_ = 0;
    if (!text) {
        failed = true;
        return false;
    }
    lines_ = new TCollection(20, 10);
    lines_->ownsItems = true;
    parseInto(text, 0);
    return !failed;
}

void TIniFile::parseInto(const char* text, int depth) {
    const char* p = text;
    for (int32_t number = 1; *p; ++number) {
        const char* end = std::strchr(p, '\n');
        const size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (depth == 0) topLine_ = number;
        // The carriage return of a CR LF line end is no part of the line's length.
        const size_t counted = length > 0 && p[length - 1] == '\r' ? length - 1 : length;
        if (counted > kMaxLineLength) {
            failed = true;
            if (errorLine_ == 0) errorLine_ = topLine_;
        } else {
            storeLine(std::string(p, length), depth);
        }
        p += length;
        if (*p == '\n') ++p;
    }
}

void TIniFile::storeLine(std::string rawLine, int depth) {
    const char* raw = rawLine.c_str();
    const char* p = skipSpaces(raw);
    std::string stored;
    if (std::strncmp(p, "#include", 8) == 0) {
        p = skipSpaces(p + 8);
        const char* nameEnd;
        if (*p == '"') {
            ++p;
            nameEnd = std::strpbrk(p, "\"\r");
        } else {
            nameEnd = std::strchr(p, '\r');
        }
        std::string name(p, nameEnd ? nameEnd : p + std::strlen(p));
        // The included lines take the directive's place; the lines before it
        // stay. No source registered: the directive is dropped.
        if (resourceSource && depth < kMaxIncludeDepth) {
            if (char* included = resourceSource(name.c_str(), 0, 0, 0)) {
                parseInto(included, depth + 1);
                std::free(included);
            }
        }
        return;
    }
    if (std::strncmp(p, "#define", 7) == 0) {
        stored = defineLine(skipSpaces(p + 7));
    } else {
        stored = normalisedLine(raw);
    }
    // The collection holds at most 65535 lines; a longer text is cut there
    // and reported through `failed` instead of ending the process.
    if (lines_->count() >= TCollection::kMaxCapacity) {
        failed = true;
        return;
    }
    lines_->append(copyOf(stored));
}

// ---------------------------------------------------------------- lookups

const char* TIniFile::line(int32_t index) const {
    return static_cast<const char*>(lines_->itemAt(index));
}

bool TIniFile::isHeader(int32_t index, const char* section) const {
    const char* text = line(index);
    size_t length = std::strlen(section);
    return text[0] == '[' && std::strncmp(text + 1, section, length) == 0 &&
           text[length + 1] == ']' && text[length + 2] == '\0';
}

int32_t TIniFile::findHeader(int32_t from, const char* section) const {
    const int32_t n = LineCount();
    while (from < n && !isHeader(from, section))
        ++from;
    return from;
}

// The scan ends at the key, at the next line that begins with "[", or at the
// last line, whichever comes first; `stop` tells where. A line equal to key
// without "=" ends it too, without a match.
int32_t TIniFile::keyInSection(int32_t header, const char* key, int32_t& stop) const {
    const int32_t n = LineCount();
    int32_t i = header;
    bool found;
    do {
        ++i;
        found = keyEquals(line(i), key);
    } while (i != n - 1 && !found && line(i)[0] != '[');
    stop = i;
    const char* text = line(i);
    return text[0] != '[' && std::strchr(text, '=') && found ? i : -1;
}

const char* TIniFile::GetString(const char* section, const char* key, const char* defaultValue) {
    const int32_t n = LineCount();
    if (n == 0 || !section || !key) return defaultValue;
    // A section that stands several times is searched in order of occurrence.
    for (int32_t i = findHeader(0, section); i < n - 1; i = findHeader(i, section)) {
        const int32_t keyLine = keyInSection(i, key, i);
        if (keyLine >= 0) return std::strchr(line(keyLine), '=') + 1;
    }
    return defaultValue;
}

int32_t TIniFile::FindLine(const char* section, const char* key) {
    const int32_t n = LineCount();
    if (!section) return -1;
    const int32_t header = findHeader(0, section);
    if (!key) return header < n ? header : -1;
    if (header >= n - 1) return -1;
    int32_t stop;
    return keyInSection(header, key, stop);  // the first occurrence only
}

const char* TIniFile::GetLine(int32_t index) {
    if (index < 0 || index >= LineCount()) return nullptr;
    return line(index);
}

int32_t TIniFile::GetInt(const char* section, const char* key, int32_t defaultValue) {
    std::string value = GetString(section, key, "");
    if (value.empty()) return defaultValue;
    return clampToInt32(std::strtoll(value.c_str(), nullptr, 0));
}

double TIniFile::GetDouble(const char* section, const char* key, double defaultValue) {
    std::string value = GetString(section, key, "");
    if (value.empty()) return defaultValue;
    return std::strtod(value.c_str(), nullptr);
}

bool TIniFile::GetBool(const char* section, const char* key, bool defaultValue) {
    std::string value = GetString(section, key, "");
    if (value.empty()) return defaultValue;
    static const char* const kYes[] = {
        "yes",    "1",        "true",     "on",
        "enable", "\xA4\xA0", "\x84\xA0", "\x84\x80",  // Russian "yes" in code page 866
        // and in UTF-8, as a decoded text holds it
        "\xD0\xB4\xD0\xB0", "\xD0\x94\xD0\xB0", "\xD0\x94\xD0\x90",
    };
    for (const char* word : kYes)
        if (value == word) return true;
    return false;
}

// ---------------------------------------------------------------- lists

// The text a list getter splits: the value, or the default text when the
// value is empty; null when both are absent.
const char* TIniFile::listText(const char* section, const char* key, const char* defaultText) {
    const char* value = GetString(section, key, "");
    return *value ? value : defaultText;
}

namespace {

// Converts numbers from the start of text onwards; a byte where no number
// starts is skipped.
template <typename Number, typename Convert>
std::unique_ptr<std::vector<Number>> numberList(const std::string& text, Convert convert) {
    auto list = std::make_unique<std::vector<Number>>();
    const char* p = text.c_str();
    while (*p) {
        char* end;
        Number number = convert(p, &end);
        if (end == p) {
            ++p;
        } else {
            list->push_back(number);
            p = end;
        }
    }
    return list;
}

}  // namespace

std::unique_ptr<std::vector<double>> TIniFile::GetDoubleList(const char* section, const char* key,
                                                             const char* defaultText) {
    const char* text = listText(section, key, defaultText);
    if (!text) return nullptr;
    return numberList<double>(text, [](const char* p, char** end) { return std::strtod(p, end); });
}

std::unique_ptr<std::vector<int32_t>> TIniFile::GetIntList(const char* section, const char* key,
                                                           const char* defaultText) {
    const char* text = listText(section, key, defaultText);
    if (!text) return nullptr;
    return numberList<int32_t>(
        text, [](const char* p, char** end) { return clampToInt32(std::strtoll(p, end, 0)); });
}

std::unique_ptr<std::vector<std::string>> TIniFile::GetStringList(const char* section,
                                                                  const char* key,
                                                                  const char* defaultText) {
    const char* value = listText(section, key, defaultText);
    if (!value) return nullptr;
    std::string text(value);  // the splitting never touches the stored line
    auto list = std::make_unique<std::vector<std::string>>();
    const char* p = text.c_str();
    while (*p)
        list->push_back(nextToken(p));
    return list;
}

// ---------------------------------------------------------------- writing

void TIniFile::Save(const char* path) {
    std::FILE* file = OpenFileUtf8(path ? path : "", "wb");
    if (!file) return;
    for (int32_t i = 0; i < LineCount(); ++i) {
        std::fputs(line(i), file);
        std::fputs("\r\n", file);
        std::fflush(file);
    }
    std::fclose(file);
}
