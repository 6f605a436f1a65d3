// Arbitrary file contents through the INI layer: reads of the names the file
// seems to hold, enumeration to its end, typed reads, then a write and a
// delete on top of it, each checked by reading back.
#include "FuzzSupport.h"

#include "archive/Errors.h"
#include "archive/Ini.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Plain names that a write can store and a read must find again.
bool Plain(const std::string& s)
{
    if (s.empty() || s.size() > 40)
        return false;
    for (const char c : s)
        if (c < '!' || c > '~' || c == '=' || c == ']' || c == '[' || c == ';' || c == '"' ||
            c == '\'')
            return false;
    return true;
}

// Section and key names as a reader of the text would see them; a few of each.
void Names(const std::string& text, std::vector<std::string>& sections,
           std::vector<std::string>& keys)
{
    std::size_t at = 0;
    while (at < text.size() && (sections.size() < 4 || keys.size() < 6)) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trimmed(text.substr(at, end - at));
        at = end + 1;
        if (line.size() > 1 && line[0] == '[') {
            const auto close = line.find(']');
            if (sections.size() < 4)
                sections.push_back(Trimmed(
                    line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
        } else if (!line.empty() && keys.size() < 6) {
            // An empty key and "*" start enumerations: they are asked for
            // on their own below.
            const std::string key = Trimmed(line.substr(0, line.find('=')));
            if (!key.empty() && key != "*")
                keys.push_back(key);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = kwfuzz::ScratchDir() + "FUZZ.INI";
    const std::string other = kwfuzz::ScratchDir() + "OTHER.INI";
    kwfuzz::WriteFile(path, data, size);
    static const bool otherWritten = (kwfuzz::WriteFile(other, "[A]\r\nB=1\r\n"), true);
    (void)otherWritten;

    std::vector<std::string> sections{"FUZZ"}, keys{"KEY", "VALUE"};
    Names(std::string(reinterpret_cast<const char*>(data), size), sections, keys);

    kw::IniLayer ini;
    ini.OpenIniFile(path);
    for (const std::string& section : sections) {
        const int32_t count = ini.ReadIniValue(path, section, "");
        kwfuzz::Check(count >= -3, "key count");
        const int32_t started = ini.ReadIniValue(path, section, "*");
        if (started == 1) {
            // Another file read between the steps must not disturb the enumeration.
            ini.ReadIniValue(other, "A", "B");
            int32_t steps = 0;
            int32_t index = 0;
            do {
                kwfuzz::Check(kwfuzz::IsUtf8(ini.IniKey), "enumerated key is not UTF-8");
                kwfuzz::Check(kwfuzz::Utf8Length(ini.IniKey) <= 255, "enumerated key too long");
                index = ini.NextIniKey();
                kwfuzz::Check(++steps <= 8192, "enumeration does not end");
            } while (index > 0);
        }
        for (const std::string& key : keys) {
            const int32_t found = ini.ReadIniValue(path, section, key);
            kwfuzz::Check(found == 1 || found == -1, "read result");
            kwfuzz::Check(kwfuzz::IsUtf8(ini.IniValue), "value is not UTF-8");
            kwfuzz::Check(kwfuzz::Utf8Length(ini.IniValue) <= 255, "value too long");
            ini.ReadIniInteger(path, section, key);
            ini.ReadIniFloat(path, section, key);
        }
    }

    // A write on top of whatever the file holds, then a delete; a write that
    // the layer refuses must leave the file as it was.
    const std::string section = Plain(sections.back()) ? sections.back() : "FUZZ";
    const std::string key = Plain(keys.back()) ? keys.back() : "KEY";
    const std::string before(reinterpret_cast<const char*>(data), size);
    bool written = false;
    try {
        ini.WriteIniValue(path, section, key, "fuzz-42");
        written = true;
    } catch (const kw::UserActionError&) {
        kwfuzz::Check(kwfuzz::ReadFile(path) == before, "a refused write changed the file");
    }
    if (written) {
        if (ini.ReadIniValue(path, section, key) != 1 || ini.IniValue != "fuzz-42")
            std::fprintf(stderr, "section \"%s\", key \"%s\" reads \"%s\"\n", section.c_str(),
                         key.c_str(), ini.IniValue.c_str());
        kwfuzz::Check(ini.ReadIniValue(path, section, key) == 1 && ini.IniValue == "fuzz-42",
                      "written value not read back");
        ini.DeleteIniKey(path, section, key);
        kwfuzz::Check(ini.ReadIniValue(path, section, key) == -1, "deleted key still read");
    }
    // Names that cannot be stored are refused, never written.
    for (const auto& [s, k] : {std::pair<std::string, std::string>{"A]B", "K"},
                               {"S", "K=V"},
                               {"S", ""},
                               {"S\r\nX", "K"}}) {
        bool refused = false;
        try {
            ini.WriteIniValue(path, s, k, "v");
        } catch (const kw::UserActionError&) {
            refused = true;
        }
        kwfuzz::Check(refused, "an unstorable name was written");
    }
    return 0;
}
