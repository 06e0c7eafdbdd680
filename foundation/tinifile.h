// TIniFile: read access to a configuration text in section/key form.
//
// The text is UTF-8 (text_decoding.h turns files of other encodings into
// it). It is split into lines (a line ends at a line feed), each line is
// trimmed and stored, and every lookup scans the stored lines:
//   - a section header is a stored line "[" name "]" exactly;
//   - a key is the part of a line before its first "=", the value the rest;
//   - keys and sections match byte for byte, case-sensitively; the first
//     matching key wins; a section that occurs several times is searched in
//     order of occurrence by GetString (FindLine looks at the first only).
// "#define NAME VALUE" stores the line "NAME=VALUE" (no substitution).
// "#include NAME" asks the resource source for NAME's text and inserts its
// lines in place; with no source registered (the normal case) it is ignored.
// There is no comment syntax and no malformed line: what does not match a
// lookup is stored and never found.
//
// A line may hold up to kMaxLineLength bytes before its line end (a line
// feed, or a carriage return and a line feed). A longer line is never cut:
// Parse stores nothing of it, sets `failed` and remembers its number
// (ErrorLine), and goes on with the next line.
//
// Lookups return pointers into the stored lines, valid until the next Parse,
// Load, Reload or destruction. Nothing here reports an error: a failure sets
// `failed` and the lookups give their defaults.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/tcollection.h"
#include "foundation/tobject.h"

class TIniFile : public TObject {
public:
    static constexpr size_t kMaxLineLength = 65535;

    TIniFile() = default;

    const char* ClassName() const override;
    TObject* CastTo(const char* name) override;
    ~TIniFile() override;

    // Reads the file (path in UTF-8) whole and parses its bytes as they are;
    // remembers path for Reload even when it fails. False (failed set, lines
    // unchanged) when it cannot be read; false (failed set) when Parse fails.
    virtual bool Load(const char* path);
    // Parses the text the resource source gives for the remembered path. With
    // no source registered: false, no lines. False when Parse fails.
    virtual bool Reload();
    // Replaces all lines by those of text (read up to its first zero byte).
    // Null text: false, failed set, no lines. A line longer than
    // kMaxLineLength: failed set, ErrorLine tells which. Returns !failed;
    // never clears it.
    virtual bool Parse(const char* text);

    // List getters: split the value (or, when the value is empty, defaultText)
    // into a new list the caller owns; null when both are absent.
    virtual std::unique_ptr<std::vector<double>> GetDoubleList(const char* section, const char* key,
                                                               const char* defaultText);
    virtual std::unique_ptr<std::vector<int32_t>> GetIntList(const char* section, const char* key,
                                                             const char* defaultText);
    virtual std::unique_ptr<std::vector<std::string>> GetStringList(const char* section,
                                                                    const char* key,
                                                                    const char* defaultText);
    // Typed getters: an empty value counts as not found and gives the default.
    virtual double GetDouble(const char* section, const char* key, double defaultValue);
    // strtol with base 0 (decimal, 0x hex, 0 octal), clamped to 32 bits.
    virtual int32_t GetInt(const char* section, const char* key, int32_t defaultValue);
    // True for "yes", "1", "true", "on", "enable" and the Russian "yes"
    // (in UTF-8, or in code page 866); false for any other non-empty value.
    virtual bool GetBool(const char* section, const char* key, bool defaultValue);
    // Pointer into the stored line after the key's "=", or defaultValue itself.
    virtual const char* GetString(const char* section, const char* key, const char* defaultValue);
    // Index of the section's header line (key null) or of the key's line in
    // the section's first occurrence; -1 when not found.
    virtual int32_t FindLine(const char* section, const char* key);
    // The stored line at index, or null outside 0..count-1.
    virtual const char* GetLine(int32_t index);
    // Writes every stored line followed by CR LF to path (UTF-8). Failures
    // are not reported.
    virtual void Save(const char* path);

    int32_t LineCount() const { return lines_ ? lines_->count() : 0; }
    // The 1-based number of the first line of the text last parsed that was
    // too long (for a line inside an "#include"d text, the directive's line);
    // 0 when there was none.
    int32_t ErrorLine() const { return errorLine_; }
    const std::string& FileName() const { return fileName_; }

    bool failed = false;

private:
    void parseInto(const char* text, int depth);
    void storeLine(std::string raw, int depth);
    void freeLines();
    const char* listText(const char* section, const char* key, const char* defaultText);
    const char* line(int32_t index) const;
    bool isHeader(int32_t index, const char* section) const;
    // Index of the first header line of section at or after from; count if none.
    int32_t findHeader(int32_t from, const char* section) const;
    // Index of key's line in the section whose header is at index header
    // (which must not be the last line), or -1.
    int32_t keyInSection(int32_t header, const char* key, int32_t& stop) const;

    std::string fileName_;
    TCollection* lines_ = nullptr;
    int32_t errorLine_ = 0;
    int32_t topLine_ = 0;  // the line of the outermost text being parsed
};

// The optional process-wide source of texts for Reload and "#include": given
// a name (and three further arguments, always 0) it returns the whole text in
// a new block from std::malloc that the caller frees, or null. Nothing in the
// installer registers one; tests may.
using IniResourceSource = char* (*)(const char* name, int, int, int);
void setIniResourceSource(IniResourceSource source);
