// Arbitrary bytes as an INI text: Parse, then every getter on sections and
// keys taken from the text itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/tinifile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    TIniFile ini;
    ini.Parse(text.c_str());

    // Use the stored lines themselves as section and key names so that
    // lookups actually hit.
    std::string section = "S";
    for (int32_t i = 0; i < ini.LineCount(); ++i) {
        std::string line = ini.GetLine(i);
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        std::string key = line.substr(0, line.find('='));
        ini.GetString(section.c_str(), key.c_str(), "");
        ini.GetInt(section.c_str(), key.c_str(), 0);
        ini.GetDouble(section.c_str(), key.c_str(), 0);
        ini.GetBool(section.c_str(), key.c_str(), false);
        ini.GetIntList(section.c_str(), key.c_str(), nullptr);
        ini.GetDoubleList(section.c_str(), key.c_str(), "1,2");
        ini.GetStringList(section.c_str(), key.c_str(), "a, \"b");
        ini.FindLine(section.c_str(), key.c_str());
        ini.FindLine(section.c_str(), nullptr);
    }
    ini.GetLine(-1);
    ini.GetLine(ini.LineCount());
    return 0;
}
