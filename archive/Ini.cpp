#include "archive/Ini.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "archive/Errors.h"
#include "output/Log.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace kw {

namespace {

// The Windows profile functions read into a 1024-byte buffer and list key
// names into an 8192-byte one; the layer itself keeps 255 characters.
constexpr std::size_t PlatformValueChars = 1023;
constexpr std::size_t KeyListBytes = 8191;
constexpr std::size_t LayerChars = 255;

// A file modified this recently may change again within the same timestamp
// tick without its stamp changing, so its cache is checked byte by byte.
constexpr int64_t RacyWindowNs = 1'000'000'000;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

enum class LineKind { Other, Comment, Section, Entry };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // trimmed and unquoted
};

// One line of text (UTF-8, without its line end) under the profile-file rules.
// Only "key=value" lines are entries: a stray word on a line of its own is
// neither listed nor read, and a line with an empty key is ignored.
LineInfo ClassifyLine(std::string_view text)
{
    LineInfo info;
    const std::string_view t = Trim(text);
    if (t.empty())
        return info;
    if (t.front() == ';') {
        info.kind = LineKind::Comment;
        return info;
    }
    if (t.front() == '[') {
        const std::size_t close = t.find(']');
        if (close != std::string_view::npos) {
            info.kind = LineKind::Section;
            info.name = Trim(t.substr(1, close - 1));
            return info;
        }
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return info;
    info.name = Trim(t.substr(0, eq));
    if (info.name.empty())
        return info;
    info.kind = LineKind::Entry;
    std::string_view v = Trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    info.value = v;
    return info;
}

struct Line {
    std::string raw; // bytes as in the file, without the line end
    std::string eol; // "\r\n", "\n", "\r" or "\n\r"; empty on a last line without one

    // A line that a following line cannot be appended to as it stands.
    bool open() const { return eol.empty(); }
};

// CR LF, LF, a lone CR and LF CR each end a line, as the profile functions
// read them: a file written with CR line ends only is as readable as any.
std::vector<Line> SplitLines(std::string_view bytes)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(bytes.substr(pos)), std::string()});
            break;
        }
        std::size_t stop = end + 1;
        if (stop < bytes.size() && (bytes[stop] == '\r' || bytes[stop] == '\n') &&
            bytes[stop] != bytes[end])
            ++stop;
        lines.push_back({std::string(bytes.substr(pos, end - pos)),
                         std::string(bytes.substr(end, stop - end))});
        pos = stop;
    }
    return lines;
}

bool HasNonAscii(std::string_view bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// A whole file, split into lines and decoded to UTF-8.
struct Content {
    std::vector<Line> lines;
    std::vector<std::string> text; // UTF-8 text of each line
    bool utf8 = false;             // new text is written as UTF-8

    explicit Content(std::string_view bytes)
    {
        lines = SplitLines(bytes);
        // Editors put a byte order mark before UTF-8 text, and some before
        // Windows-1250 text too: it is no part of the first line either way,
        // and the text after it decides the encoding.
        const bool bom = bytes.substr(0, Utf8Bom.size()) == Utf8Bom;
        const std::string_view rest = bom ? bytes.substr(Utf8Bom.size()) : bytes;
        const bool validUtf8 = IsValidUtf8(rest);
        utf8 = validUtf8 && (bom || HasNonAscii(rest));
        text.reserve(lines.size());
        for (const Line& line : lines) {
            std::string_view raw = line.raw;
            if (bom && text.empty())
                raw.remove_prefix(Utf8Bom.size());
            text.push_back(validUtf8 ? std::string(raw) : Cp1250ToUtf8(raw));
        }
    }

    // The bytes of a text in the file's encoding; false when the file's code
    // page cannot hold it, so that nothing is stored as '?'.
    bool Encode(std::string_view utf8Text, std::string& out) const
    {
        if (utf8) {
            out = std::string(utf8Text);
            return true;
        }
        out = Utf8ToCp1250(utf8Text);
        return Cp1250ToUtf8(out) == utf8Text;
    }

    // Line end for lines the layer adds: the file's own, CR LF for a new file.
    std::string LineEnd() const
    {
        for (const Line& line : lines) {
            if (!line.open())
                return line.eol;
        }
        return "\r\n";
    }

    std::string Join() const
    {
        std::string out;
        for (const Line& line : lines) {
            out += line.raw;
            out += line.eol;
        }
        return out;
    }
};

struct Entry {
    std::string key;
    std::string value; // whole value, not yet cut
};

struct Section {
    std::vector<Entry> entries; // first occurrence of each key, in file order
    std::unordered_map<std::string, std::size_t> byKey; // folded key -> entries index
};

// The sections of a file as the profile functions see them.
struct Parsed {
    std::vector<Section> sections;
    std::unordered_map<std::string, std::size_t> byName; // folded name -> first section

    void Parse(const Content& content)
    {
        sections.clear();
        byName.clear();
        Section* current = nullptr;
        for (const std::string& text : content.text) {
            const LineInfo info = ClassifyLine(text);
            if (info.kind == LineKind::Section) {
                // A repeated section name is never read: its entries go nowhere.
                if (byName.emplace(FoldCase(info.name), sections.size()).second) {
                    sections.emplace_back();
                    current = &sections.back();
                } else {
                    current = nullptr;
                }
            } else if (info.kind == LineKind::Entry && current != nullptr) {
                if (current->byKey.emplace(FoldCase(info.name), current->entries.size()).second)
                    current->entries.push_back({std::string(info.name), std::string(info.value)});
            }
        }
    }

    const Section* FindSection(const std::string& name) const
    {
        const auto it = byName.find(FoldCase(name));
        return it == byName.end() ? nullptr : &sections[it->second];
    }

    // The platform read: the value cut to its buffer, or the default.
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& fallback) const
    {
        const Section* s = FindSection(section);
        if (s == nullptr)
            return fallback;
        const auto it = s->byKey.find(FoldCase(key));
        if (it == s->byKey.end())
            return fallback;
        return Utf8Left(s->entries[it->second].value, PlatformValueChars);
    }

    // The platform key list: names followed by a zero byte, one byte per
    // character, as many whole names as fit.
    std::vector<std::string> KeyNames(const std::string& section) const
    {
        std::vector<std::string> names;
        const Section* s = FindSection(section);
        if (s == nullptr)
            return names;
        std::size_t used = 0;
        for (const Entry& e : s->entries) {
            used += Utf8Length(e.key) + 1;
            if (used > KeyListBytes)
                break;
            names.push_back(e.key);
        }
        return names;
    }
};

struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;

    bool operator==(const FileStamp& o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
               mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs;
    }
};

int64_t ToNs(const timespec& ts)
{
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// false with errno set when the file cannot be looked at.
bool StatFile(const std::string& path, FileStamp& stamp)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    stamp.exists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = ToNs(st.st_mtim);
    stamp.ctimeNs = ToNs(st.st_ctim);
    return true;
}

int64_t NowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

// Names as the profile functions take them: the blanks around them are no
// part of them.
std::string TrimmedName(const std::string& name)
{
    return std::string(Trim(name));
}

// Texts that could not be read back as written are refused rather than
// breaking the line structure of the file.
bool CanStore(const std::string& section, const std::string& key, const std::string* value)
{
    const auto hasBreak = [](std::string_view s) {
        return s.find_first_of("\r\n") != std::string_view::npos;
    };
    if (hasBreak(section) || section.find(']') != std::string::npos)
        return false;
    if (key.empty() || hasBreak(key) || key.find('=') != std::string::npos || key.front() == ';' ||
        key.front() == '[')
        return false;
    return value == nullptr || !hasBreak(*value);
}

} // namespace

// The open handle: the parsed file, revalidated against the disk on every use
// so that a change by another writer is seen without re-parsing on each read.
struct IniLayer::File {
    explicit File(std::string p) : path(std::move(p)) {}

    std::string path;
    bool checked = false;
    FileStamp stamp;
    bool racy = false;
    std::string bytes;
    Parsed parsed;
    // errno of a file that is there but could not be read; 0 when it was
    // read or is missing.
    int error = 0;

    void Refresh()
    {
        FileStamp now;
        if (!StatFile(path, now)) {
            // Only a missing file is empty; one that cannot even be looked
            // at (a link loop, a folder without search permission) is there.
            const int err = errno == ENOENT || errno == ENOTDIR ? 0 : ReadError(errno);
            if (!checked || stamp.exists || !bytes.empty() || err != error)
                Adopt({}, now, err);
            return;
        }
        if (checked && now == stamp && !racy)
            return;
        std::string fresh;
        // An unreadable, special or oversized file: no sections, and an error.
        const int err = ReadInputFile(path, MaxIniFileBytes, fresh) ? 0 : ReadError(errno);
        if (checked && err == error && fresh == bytes) {
            stamp = now;
            racy = NowNs() - now.mtimeNs < RacyWindowNs;
            return;
        }
        Adopt(std::move(fresh), now, err);
    }

    static int ReadError(int err) { return err != 0 ? err : EIO; }

    void Adopt(std::string newBytes, const FileStamp& newStamp, int newError = 0)
    {
        bytes = std::move(newBytes);
        stamp = newStamp;
        error = newError;
        checked = true;
        racy = newStamp.exists && NowNs() - newStamp.mtimeNs < RacyWindowNs;
        parsed.Parse(Content(bytes));
    }

    std::string Read(const std::string& section, const std::string& key,
                     const std::string& fallback) const
    {
        return parsed.Read(section, key, fallback);
    }
    std::vector<std::string> KeyNames(const std::string& section) const
    {
        return parsed.KeyNames(section);
    }
};

struct IniDocument::Impl {
    explicit Impl(std::string_view bytes) : content(bytes) {}

    Content content;
    mutable Parsed parsed;
    mutable bool parsedCurrent = false;

    const Parsed& Sections() const
    {
        if (!parsedCurrent) {
            parsed.Parse(content);
            parsedCurrent = true;
        }
        return parsed;
    }

    // Keeps the decoded text of the lines in step with their bytes.
    void Insert(std::size_t at, Line line, std::string text)
    {
        content.lines.insert(content.lines.begin() + static_cast<std::ptrdiff_t>(at),
                             std::move(line));
        content.text.insert(content.text.begin() + static_cast<std::ptrdiff_t>(at),
                            std::move(text));
    }

    void Erase(std::size_t at)
    {
        content.lines.erase(content.lines.begin() + static_cast<std::ptrdiff_t>(at));
        content.text.erase(content.text.begin() + static_cast<std::ptrdiff_t>(at));
    }

    // The header line of the first section of that name (the one reads use),
    // or the number of lines; the entry lines of the key in it; the last
    // entry line of the section (the header when it has none).
    void Locate(const std::string& section, const std::string& key, std::size_t& header,
                std::vector<std::size_t>& matches, std::size_t& lastEntry) const
    {
        const std::vector<std::string>& text = content.text;
        header = text.size();
        for (std::size_t i = 0; i < text.size(); ++i) {
            const LineInfo info = ClassifyLine(text[i]);
            if (info.kind == LineKind::Section && EqualsNoCase(info.name, section)) {
                header = i;
                break;
            }
        }
        lastEntry = header;
        matches.clear();
        for (std::size_t i = header + 1; i < text.size(); ++i) {
            const LineInfo info = ClassifyLine(text[i]);
            if (info.kind == LineKind::Section)
                break;
            if (info.kind == LineKind::Entry) {
                lastEntry = i;
                if (EqualsNoCase(info.name, key))
                    matches.push_back(i);
            }
        }
    }
};

IniDocument::IniDocument(std::string_view bytes) : m_impl(std::make_unique<Impl>(bytes)) {}
IniDocument::~IniDocument() = default;

std::vector<std::pair<std::string, std::string>>
IniDocument::Entries(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> entries;
    const Parsed& parsed = m_impl->Sections();
    const std::string name = TrimmedName(section);
    for (const std::string& key : parsed.KeyNames(name))
        entries.emplace_back(Utf8Left(key, LayerChars),
                             Utf8Left(parsed.Read(name, key, ""), LayerChars));
    return entries;
}

bool IniDocument::Set(const std::string& sectionArg, const std::string& keyArg,
                      const std::string& value)
{
    const std::string section = TrimmedName(sectionArg);
    const std::string key = TrimmedName(keyArg);
    if (!CanStore(section, key, &value))
        return false;
    Content& content = m_impl->content;
    std::string entry, header;
    if (!content.Encode(key + "=" + value, entry) || !content.Encode("[" + section + "]", header))
        return false;

    std::size_t at = 0, lastEntry = 0;
    std::vector<std::size_t> matches;
    m_impl->Locate(section, key, at, matches, lastEntry);
    std::vector<Line>& lines = content.lines;
    const std::string eol = content.LineEnd();
    if (!matches.empty()) {
        lines[matches.front()].raw = entry;
        content.text[matches.front()] = key + "=" + value;
    } else if (at < lines.size()) {
        if (lines[lastEntry].open())
            lines[lastEntry].eol = eol;
        m_impl->Insert(lastEntry + 1, Line{entry, eol}, key + "=" + value);
    } else {
        if (!lines.empty()) {
            if (lines.back().open())
                lines.back().eol = eol;
            if (!Trim(content.text.back()).empty())
                m_impl->Insert(lines.size(), Line{"", eol}, "");
        }
        m_impl->Insert(lines.size(), Line{header, eol}, "[" + section + "]");
        m_impl->Insert(lines.size(), Line{entry, eol}, key + "=" + value);
    }
    m_impl->parsedCurrent = false;
    return true;
}

bool IniDocument::Delete(const std::string& sectionArg, const std::string& keyArg)
{
    const std::string section = TrimmedName(sectionArg);
    const std::string key = TrimmedName(keyArg);
    if (!CanStore(section, key, nullptr))
        return false;
    std::size_t at = 0, lastEntry = 0;
    std::vector<std::size_t> matches;
    m_impl->Locate(section, key, at, matches, lastEntry);
    // Every occurrence goes: the first one removed would otherwise uncover
    // the next, and the key would seem not deleted.
    for (auto it = matches.rbegin(); it != matches.rend(); ++it)
        m_impl->Erase(*it);
    if (!matches.empty())
        m_impl->parsedCurrent = false;
    return true;
}

std::string IniDocument::Bytes() const
{
    return m_impl->content.Join();
}

IniLayer::IniLayer() = default;
IniLayer::~IniLayer() = default;

void IniLayer::OpenIniFile(const std::string& fileName)
{
    if (fileName == m_fileName)
        return;
    m_file = std::make_unique<File>(fileName);
    m_fileName = fileName;
}

IniLayer::File* IniLayer::OpenFile()
{
    if (!m_file)
        m_file = std::make_unique<File>(m_fileName);
    m_file->Refresh();
    RequireReadable(*m_file);
    return m_file.get();
}

void IniLayer::CheckIniFile(const std::string& fileName)
{
    OpenIniFile(fileName);
    OpenFile();
}

void IniLayer::RequireReadable(const File& file)
{
    if (file.error == 0)
        return;
    const std::string text = ReadFailureText(file.path, SystemErrorText(file.error));
    if (m_log && m_reportedReads[file.path].insert(file.error).second)
        m_log->WriteLog(true, text);
    throw UserActionError(text, ReadFailureCaption);
}

IniLayer::File* IniLayer::EnumerationFile()
{
    if (m_enumFileName == m_fileName) {
        m_enumFile.reset();
        return OpenFile();
    }
    // The caller read another file between two steps: keep listing the file
    // the enumeration started on.
    if (!m_enumFile || m_enumFile->path != m_enumFileName)
        m_enumFile = std::make_unique<File>(m_enumFileName);
    m_enumFile->Refresh();
    RequireReadable(*m_enumFile);
    return m_enumFile.get();
}

int32_t IniLayer::ReadIniValue(const std::string& fileName, const std::string& section,
                               const std::string& keyArg)
{
    std::string name = section;
    if (!name.empty() && name.front() == '[') {
        name.erase(0, 1);
        const std::size_t close = name.find(']');
        if (close != std::string::npos)
            name.erase(close);
    }
    name = TrimmedName(name);
    const std::string key = TrimmedName(keyArg);
    OpenIniFile(fileName);

    if (!key.empty() && key != "*") {
        const std::string value = Utf8Left(OpenFile()->Read(name, key, "?"), LayerChars);
        if (value == "?") {
            IniValue.clear();
            return -1;
        }
        IniValue = value;
        return 1;
    }

    m_enumIndex = 0;
    m_enumSection = name;
    m_enumFileName = m_fileName;
    m_enumFile.reset();
    IniKey = Utf8Left(name, LayerChars);
    const int32_t status = NextIniKey();
    if (key == "*" || status == -3)
        return status;
    return m_keyList ? static_cast<int32_t>(m_keyList->size()) : 0;
}

int32_t IniLayer::NextIniKey()
{
    if (!m_keyList) {
        m_keyList.reset(new (std::nothrow) std::vector<std::string>());
        if (!m_keyList)
            return -3;
    }
    if (m_enumIndex < 0)
        return -3;
    File* file = EnumerationFile();
    if (m_enumIndex == 0) {
        *m_keyList = file->KeyNames(m_enumSection);
        if (m_keyList->empty())
            return -2;
    }
    // Past the last name the index stays put, so every further call ends too.
    if (static_cast<std::size_t>(m_enumIndex) >= m_keyList->size())
        return 0;
    ++m_enumIndex;
    const std::string& name = (*m_keyList)[static_cast<std::size_t>(m_enumIndex) - 1];
    IniKey = Utf8Left(name, LayerChars);
    IniValue = Utf8Left(file->Read(m_enumSection, name, ""), LayerChars);
    return m_enumIndex;
}

int32_t IniLayer::ReadIniInteger(const std::string& fileName, const std::string& section,
                                 const std::string& key)
{
    ReadReference(fileName, section, key);
    int32_t value = 0;
    return ParseIniInteger(IniValue, value) ? value : 0;
}

float IniLayer::ReadIniFloat(const std::string& fileName, const std::string& section,
                             const std::string& key)
{
    ReadReference(fileName, section, key);
    float value = 0;
    return ParseIniFloat(IniValue, value) ? value : 0.0f;
}

void IniLayer::ReadReference(const std::string& fileName, const std::string& section,
                             const std::string& key)
{
    ReadIniValue(fileName, section, key);
    if (!IniValue.empty() && IniValue.front() == '[') {
        const std::string target = IniValue;
        ReadIniValue(fileName, target, "VALUE");
    }
}

int32_t IniLayer::WriteIniValue(const std::string& fileName, const std::string& section,
                                const std::string& key, const std::string& value)
{
    EditIniFile(fileName, [&](IniDocument& doc) {
        if (!doc.Set(section, key, value))
            SaveFailed(fileName, "text „" + key + "=" + value + "“ nelze do souboru zapsat");
    });
    return 0;
}

int32_t IniLayer::DeleteIniKey(const std::string& fileName, const std::string& section,
                               const std::string& key)
{
    EditIniFile(fileName, [&](IniDocument& doc) {
        if (!doc.Delete(section, key))
            SaveFailed(fileName, "klíč „" + key + "“ nelze v souboru hledat");
    });
    return 0;
}

void IniLayer::SaveFailed(const std::string& fileName, const std::string& reason)
{
    const std::string text = SaveFailureText(fileName, reason);
    if (m_log && m_logFailures)
        m_log->WriteLog(true, text);
    throw UserActionError(text, SaveFailureCaption);
}

void IniLayer::EditIniFile(const std::string& fileName,
                           const std::function<void(IniDocument&)>& edit, bool logFailure)
{
    // Also a failure raised by `edit` through SaveFailed stays quiet.
    struct Quiet {
        bool& flag;
        const bool before;
        Quiet(bool& f, bool log) : flag(f), before(f) { flag = before && log; }
        ~Quiet() { flag = before; }
    } quiet(m_logFailures, logFailure);
    OpenIniFile(fileName);
    const FileLock lock(fileName, lockPatience);
    if (!lock.locked())
        SaveFailed(fileName, lock.error());

    // Writes start from the disk, never from the cache: a stale cache written
    // back would undo another writer's change.
    FileStamp stamp;
    std::string old;
    if (StatFile(fileName, stamp)) {
        if (!ReadInputFile(fileName, MaxIniFileBytes, old))
            SaveFailed(fileName, SystemErrorText(errno)); // rewriting it would lose its content
    } else if (errno != ENOENT) {
        SaveFailed(fileName, SystemErrorText(errno));
    }

    IniDocument doc(old);
    edit(doc);
    std::string bytes = doc.Bytes();
    if (bytes == old)
        return;
    std::string reason;
    if (!WriteFileAtomically(fileName, bytes, &reason))
        SaveFailed(fileName, reason);
    FileStamp written;
    StatFile(fileName, written);
    if (!m_file)
        m_file = std::make_unique<File>(m_fileName);
    m_file->Adopt(std::move(bytes), written);
}

bool ParseIniInteger(const std::string& text, int32_t& value)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i == text.size())
        return false;
    // Magnitude up to 2^31, so that the most negative value fits; more is overflow.
    const int64_t limit = negative ? int64_t(1) << 31 : (int64_t(1) << 31) - 1;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool ParseIniFloat(const std::string& text, float& value)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - from;
    };
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    if (i != text.size())
        return false;

    // from_chars ignores the locale (the desktop's may use a decimal comma) but
    // takes no plus sign.
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    float parsed = 0;
    const auto result = std::from_chars(first, last, parsed, std::chars_format::general);
    // Out of the range of single precision, either way, is no usable number.
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    value = parsed;
    return true;
}

} // namespace kw
