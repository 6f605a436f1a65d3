#pragma once

#include "archive/AtomicFile.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kw {

class Log;

// A whole INI file held as its lines, for one read-modify-write: reads give
// what the layer would read, changes keep every other line byte for byte and
// the file's encoding and line ends.
class IniDocument {
public:
    explicit IniDocument(std::string_view bytes);
    ~IniDocument();
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // The keys of a section with their values, in file order, exactly as an
    // enumeration of the layer delivers them; empty when it has none.
    std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;
    // Writes the first occurrence of the key, or adds it (and the section).
    // False, and nothing changes, when the texts cannot be stored as one line
    // of this file (line break, "=" in the key, "]" in the section, an empty
    // key, a character the file's code page lacks).
    bool Set(const std::string& section, const std::string& key, const std::string& value);
    // Removes every occurrence of the key in the section, so it is really
    // gone. False for a name no line of the file can hold.
    bool Delete(const std::string& section, const std::string& key);

    std::string Bytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The INI layer of the archive description and the calendar: one open file at a
// time, one shared value text (`IniValue`) that every read replaces, "?" as the
// missing-key sentinel and a key enumeration driven step by step.
//
// The text rules are those of the Windows profile files the controller's tools
// write: CR LF, LF, a lone CR and LF CR all end a line; section and key names
// match without regard to case and blanks around names (in the file and in
// the arguments) and values are dropped; a matching pair of quotes around a
// value is removed; the first of duplicate keys wins; a value is cut to 1023
// and then to 255 characters; a key list holds at most 8191 bytes of names; a
// line without "=" is no entry. Files are Windows-1250, or UTF-8 when the
// whole file (after a byte order mark) is valid UTF-8; texts handed in and
// out are UTF-8. A missing file has no sections. A file that is there but
// cannot be read (no permission, an I/O error, anything but a regular file, or
// larger than MaxIniFileBytes) is no empty file: every read of it throws
// UserActionError with ReadFailureText, logged as an error line once per file
// and cause (the file is read key by key).
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
    // Opens the file and throws as a read would when it cannot be read, so
    // that a caller can refuse it before it changes anything.
    void CheckIniFile(const std::string& fileName);

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

    // Writes or deletes one key in one atomic rewrite of the file (see
    // EditIniFile). Both return 0.
    int32_t WriteIniValue(const std::string& fileName, const std::string& section,
                          const std::string& key, const std::string& value);
    int32_t DeleteIniKey(const std::string& fileName, const std::string& section,
                         const std::string& key);

    // One read-modify-write of a shared file: under the program directory's
    // lock, the file is read from the disk (never from the cache, which may be
    // stale), `edit` changes it, and it is written back atomically once when
    // it changed. A text that cannot be stored, a file that exists but cannot
    // be read (rewriting it would lose its content) or a failed write throws
    // UserActionError with the Czech text of SaveFailureText, logs it as an
    // error line (unless `logFailure` is false: a caller that retries a store
    // it already reported), and leaves the file as it was.
    void EditIniFile(const std::string& fileName, const std::function<void(IniDocument&)>& edit,
                     bool logFailure = true);

    // Reports a failed save of `fileName`: logs it as an error line and
    // throws UserActionError with the Czech text and caption of a failed save.
    [[noreturn]] void SaveFailed(const std::string& fileName, const std::string& reason);

    // How long the saves of this layer wait for another copy's lock.
    LockPatience lockPatience;

    // Where failed saves are logged; none by default.
    void setLog(Log* log) { m_log = log; }

private:
    struct File;
    File* OpenFile();
    File* EnumerationFile();
    // Throws (and logs, once) when the file could not be read.
    void RequireReadable(const File& file);
    void ReadReference(const std::string& fileName, const std::string& section,
                       const std::string& key);
    std::unique_ptr<File> m_file; // the open handle, none before the first open
    std::string m_fileName;
    std::string m_enumSection;
    std::unique_ptr<std::vector<std::string>> m_keyList; // created on first use
    int32_t m_enumIndex = -1;
    // An enumeration keeps listing the file it started on, even when reads of
    // another file come between its steps.
    std::string m_enumFileName;
    std::unique_ptr<File> m_enumFile;
    Log* m_log = nullptr;
    bool m_logFailures = true; // false inside a quiet EditIniFile
    // The causes (errno) of unreadable files already logged, by file.
    std::map<std::string, std::set<int>> m_reportedReads;
};

// Integer literal as the layer reads it: optional leading blanks, optional
// sign, decimal digits or "$" and hexadecimal digits; anything else gives
// false. Shared with the readers of item descriptors.
bool ParseIniInteger(const std::string& text, int32_t& value);
// Decimal floating-point literal with point and optional exponent.
bool ParseIniFloat(const std::string& text, float& value);

} // namespace kw
