#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kw {

// The INI layer of the archive description and the calendar: one open file at a
// time, one shared value text (`IniValue`) that every read replaces, "?" as the
// missing-key sentinel and a key enumeration driven step by step.
//
// The text rules are those of the Windows profile files the controller's tools
// write: section and key names match without regard to case, blanks around
// names and values are dropped, a matching pair of quotes around a value is
// removed, the first of duplicate keys wins, a value is cut to 1023 and then to
// 255 characters, and a key list holds at most 8191 bytes of names. A line
// without "=" inside a section is a key with an empty value, as Windows lists
// it. Files are Windows-1250, or UTF-8 when the whole file is valid UTF-8;
// texts handed in and out are UTF-8.
//
// The parsed file is kept with its handle and checked against the disk
// (stat) on every access, so another writer's change is seen.
class IniLayer {
public:
    IniLayer();
    ~IniLayer();
    IniLayer(const IniLayer&) = delete;
    IniLayer& operator=(const IniLayer&) = delete;

    // Value left by the last read, at most 255 characters.
    std::string IniValue;
    // Key of the current enumeration step, at most 255 characters.
    std::string IniKey;

    void OpenIniFile(const std::string& fileName);

    // 1 found, -1 missing; key "*" starts an enumeration (1, -2 no keys, -3);
    // an empty key starts one and returns the number of keys.
    int32_t ReadIniValue(const std::string& fileName, const std::string& section,
                         const std::string& key);
    // The index of the delivered key, 0 at the end, -2 empty section, -3 no
    // enumeration started.
    int32_t NextIniKey();
    // A value "[SECTION]" is a reference to key "VALUE" of that section.
    int32_t ReadIniInteger(const std::string& fileName, const std::string& section,
                           const std::string& key);
    float ReadIniFloat(const std::string& fileName, const std::string& section,
                       const std::string& key);

    // Rewrites the file atomically, keeping every other line byte for byte and
    // the file's encoding and line ends. Writing replaces the first occurrence
    // of the key; deleting removes every occurrence in the section, so the key
    // is really gone. A failed write, an existing file that cannot be read, or
    // a name or value that cannot be stored as one line (line break, "=" in the
    // key, "]" in the section, empty key) throws
    // UserActionError("Unable to write to " + fileName) and leaves the file as
    // it was. Both return 0.
    int32_t WriteIniValue(const std::string& fileName, const std::string& section,
                          const std::string& key, const std::string& value);
    int32_t DeleteIniKey(const std::string& fileName, const std::string& section,
                         const std::string& key);

private:
    struct File;
    File* OpenFile();
    File* EnumerationFile();
    void ReadReference(const std::string& fileName, const std::string& section,
                       const std::string& key);
    void Rewrite(const std::string& fileName, const std::string& section, const std::string& key,
                 const std::string* value);

    std::unique_ptr<File> m_file; // the open handle, none before the first open
    std::string m_fileName;
    std::string m_enumSection;
    std::unique_ptr<std::vector<std::string>> m_keyList; // created on first use
    int32_t m_enumIndex = -1;
    // An enumeration keeps listing the file it started on, even when reads of
    // another file come between its steps.
    std::string m_enumFileName;
    std::unique_ptr<File> m_enumFile;
};

// Integer literal as the layer reads it: optional leading blanks, optional
// sign, decimal digits or "$" and hexadecimal digits; anything else gives
// false. Shared with the readers of item descriptors.
bool ParseIniInteger(const std::string& text, int32_t& value);
// Decimal floating-point literal with point and optional exponent.
bool ParseIniFloat(const std::string& text, float& value);

} // namespace kw
