#include "TempDir.h"
#include "archive/Errors.h"
#include "archive/Ini.h"
#include "output/Log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Repeat(const std::string& unit, std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += unit;
    return s;
}

class IniTest : public testing::Test {
protected:
    void TearDown() override
    {
        // Give back what the failure tests took away, so the tree can go.
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(m_dir.path(), ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code ignored;
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }

    std::string Path(const std::string& name) const { return m_dir.path() + name; }
    std::string Make(const std::string& name, const std::string& bytes) const
    {
        return m_dir.write(name, bytes);
    }

    kwtest::TempDir m_dir;
};

// ---------------------------------------------------------------- text rules

struct ReadCase {
    const char* name;
    std::string bytes;
    std::string section;
    std::string key;
    int32_t status;
    std::string value;
};

TEST_F(IniTest, ReadFollowsProfileTextRules)
{
    const std::vector<ReadCase> cases = {
        {"case of names", "[Blok]\r\nKlic=5\r\n", "BLOK", "kLIC", 1, "5"},
        {"blanks around names and value", "  [ S ]  \n\t key \t=\t  value x \t\n", "s", "KEY", 1,
         "value x"},
        {"double quotes keep inner blanks", "[s]\nk=\"  quoted  \"\n", "s", "k", 1, "  quoted  "},
        {"single quotes", "[s]\nk='abc'\n", "s", "k", 1, "abc"},
        {"quotes that do not match stay", "[s]\nk=\"abc'\n", "s", "k", 1, "\"abc'"},
        {"a lone quote stays", "[s]\nk=\"\n", "s", "k", 1, "\""},
        {"only one pair removed", "[s]\nk=\"\"x\"\"\n", "s", "k", 1, "\"x\""},
        {"first duplicate key wins", "[s]\nk=first\nK=second\n", "s", "k", 1, "first"},
        {"first duplicate section wins", "[s]\na=1\n[S]\na=2\nb=3\n", "s", "a", 1, "1"},
        {"keys of a repeated section unseen", "[s]\na=1\n[S]\na=2\nb=3\n", "s", "b", -1, ""},
        {"comment lines are no entries", "[s]\n;k=1\n  ; k=2\nk=3\n", "s", "k", 1, "3"},
        {"commented key missing", "[s]\n;k=1\n", "s", ";k", -1, ""},
        {"lines before a section belong nowhere", "k=0\n[s]\nk=1\n", "", "k", -1, ""},
        {"CR LF line ends", "[s]\r\nk=v\r\nm=w\r\n", "s", "k", 1, "v"},
        {"last line without a line end", "[s]\nk=v", "s", "k", 1, "v"},
        {"line without = is no entry", "[s]\nflag\n", "s", "flag", -1, ""},
        {"lone CR ends a line", "[A]\rk=1\r", "A", "k", 1, "1"},
        {"LF CR ends a line", "[A]\n\rk=1\n\r", "A", "k", 1, "1"},
        {"blanks around the arguments", "[A]\nk=1\n", " A ", " k\t", 1, "1"},
        {"blanks inside brackets", "[A]\nk=1\n", "[ A ]", "k", 1, "1"},
        {"empty value", "[s]\nk=\n", "s", "k", 1, ""},
        {"value holding =", "[s]\nk=a=b\n", "s", "k", 1, "a=b"},
        {"section name ends at first ]", "[a]b]\nk=1\n", "a", "k", 1, "1"},
        {"missing key", "[s]\nk=1\n", "s", "x", -1, ""},
        {"missing section", "[s]\nk=1\n", "t", "k", -1, ""},
        {"value ? is missing", "[s]\nk=?\n", "s", "k", -1, ""},
        {"quoted ? is missing too", "[s]\nk=\" ? \"\n[t]\nk='?'\n", "t", "k", -1, ""},
        {"?? is a value", "[s]\nk=??\n", "s", "k", 1, "??"},
        {"brackets around the section", "[REV]\nREV_INI=3\n", "[REV]", "REV_INI", 1, "3"},
        {"opening bracket alone", "[REV]\nREV_INI=3\n", "[REV", "REV_INI", 1, "3"},
        {"text after ] dropped", "[REV]\nREV_INI=3\n", "[REV]x", "REV_INI", 1, "3"},
        {"closing bracket alone is part of the name", "[REV]\nREV_INI=3\n", "REV]", "REV_INI", -1,
         ""},
        {"Windows-1250 file",
         "[Pond\xECl\xED]\nk=\xE8\x9A"
         "a\n",
         "PONDĚLÍ", "K", 1, "čša"},
        {"UTF-8 file", "[Pondělí]\nk=čša\n", "PONDĚLÍ", "K", 1, "čša"},
        {"UTF-8 with byte order mark", "\xEF\xBB\xBF[s]\nk=č\n", "s", "k", 1, "č"},
        {"byte order mark before Windows-1250", "\xEF\xBB\xBF[s]\rk=\xE8\r", "s", "k", 1, "č"},
        // One byte that is not UTF-8 makes the whole file Windows-1250.
        {"UTF-8 only when the whole file is", "[s]\nk=\xC4\x8D\nx=\xE8\n", "s", "k", 1, "ÄŤ"},
    };
    kw::IniLayer ini;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ReadCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::string path = Make("read" + std::to_string(i) + ".ini", c.bytes);
        ini.IniValue = "stale";
        EXPECT_EQ(ini.ReadIniValue(path, c.section, c.key), c.status);
        EXPECT_EQ(ini.IniValue, c.value);
    }
}

TEST_F(IniTest, MissingFileHasNoSections)
{
    kw::IniLayer ini;
    const std::string path = Path("absent.ini");
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), -1);
    EXPECT_EQ(ini.ReadIniValue(path, "s", "*"), -2);
    EXPECT_EQ(ini.ReadIniInteger(path, "s", "k"), 0);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniTest, FileThatCannotBeReadIsAnErrorLoggedOnce)
{
    const std::string path = Path("folder.ini");
    fs::create_directory(path);
    kw::Log log;
    std::vector<std::string> lines;
    log.setSink([&](const std::string& line, bool) { lines.push_back(line); });
    kw::IniLayer ini;
    ini.setLog(&log);
    EXPECT_THROW(ini.ReadIniValue(path, "s", "k"), kw::UserActionError);
    EXPECT_THROW(ini.ReadIniValue(path, "s", "*"), kw::UserActionError);
    EXPECT_EQ(lines.size(), 1u) << "once, not once per key";
}

TEST_F(IniTest, LongValuesAndKeysAreCutOnCharacters)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"300 characters", "[s]\nk=" + Repeat("a", 300) + "\n", Repeat("a", 255)},
        {"2000 characters", "[s]\nk=" + Repeat("b", 2000) + "\n", Repeat("b", 255)},
        {"quoted 300", "[s]\nk=\"" + Repeat("c", 300) + "\"\n", Repeat("c", 255)},
        {"Windows-1250 letters", "[s]\nk=" + Repeat("\xE8", 300) + "\n", Repeat("č", 255)},
        {"UTF-8 letters", "[s]\nk=" + Repeat("ř", 300) + "\n", Repeat("ř", 255)},
        {"exactly 255", "[s]\nk=" + Repeat("d", 255) + "\n", Repeat("d", 255)},
    };
    kw::IniLayer ini;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string path = Make("cut" + std::to_string(i) + ".ini", cases[i].bytes);
        EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
        EXPECT_EQ(ini.IniValue, cases[i].expected);
    }

    // An enumerated key name is cut too; its value is still found by the whole name.
    const std::string longKey = Repeat("ž", 300);
    const std::string path = Make("longkey.ini", "[s]\n" + longKey + "=v\n");
    EXPECT_EQ(ini.ReadIniValue(path, "s", "*"), 1);
    EXPECT_EQ(ini.IniKey, Repeat("ž", 255));
    EXPECT_EQ(ini.IniValue, "v");
}

// ---------------------------------------------------------------- enumeration

TEST_F(IniTest, EnumerationStates)
{
    const std::string path = Make("enum.ini", "[Keys]\r\n"
                                              "Alpha=1\r\n"
                                              "; comment\r\n"
                                              "beta = \"two\"\r\n"
                                              "ALPHA=dup\r\n"
                                              "Flag\r\n"
                                              "[Empty]\r\n"
                                              "; nothing here\r\n"
                                              "[Other]\r\n"
                                              "x=9\r\n");
    kw::IniLayer ini;
    EXPECT_EQ(ini.NextIniKey(), -3) << "no enumeration started";
    EXPECT_EQ(ini.NextIniKey(), -3);

    EXPECT_EQ(ini.ReadIniValue(path, "[Empty]", "*"), -2);
    EXPECT_EQ(ini.IniKey, "Empty");
    EXPECT_EQ(ini.NextIniKey(), -2) << "the list is reloaded and still empty";
    EXPECT_EQ(ini.NextIniKey(), -2);
    EXPECT_EQ(ini.ReadIniValue(path, "Missing", "*"), -2);
    EXPECT_EQ(ini.ReadIniValue(path, "Empty", ""), 0);

    struct Step {
        int32_t status;
        std::string key;
        std::string value;
    };
    // "Flag" has no "=": no entry, so it is not listed.
    const std::vector<Step> steps = {
        {1, "Alpha", "1"}, {2, "beta", "two"}, {0, "beta", ""}, {0, "beta", ""}};
    ini.IniValue.clear();
    EXPECT_EQ(ini.ReadIniValue(path, "keys", "*"), steps[0].status);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            // Reads in between, even of another section, do not move the enumeration.
            EXPECT_EQ(ini.ReadIniValue(path, "Other", "x"), 1);
            EXPECT_EQ(ini.NextIniKey(), steps[i].status);
        }
        EXPECT_EQ(ini.IniKey, steps[i].key);
        if (steps[i].status == 0)
            EXPECT_EQ(ini.IniValue, "9") << "the end leaves the last read in place";
        else
            EXPECT_EQ(ini.IniValue, steps[i].value);
    }

    // An empty key counts the names and delivers the first one.
    EXPECT_EQ(ini.ReadIniValue(path, "KEYS", ""), 2);
    EXPECT_EQ(ini.IniKey, "Alpha");
    EXPECT_EQ(ini.NextIniKey(), 2);
    EXPECT_EQ(ini.IniKey, "beta");
}

TEST_F(IniTest, EnumerationStaysOnItsFileWhenAnotherIsRead)
{
    const std::string first = Make("first.ini", "[s]\na=1\nb=2\n");
    const std::string second = Make("second.ini", "[s]\na=x\nb=y\nc=z\n");
    kw::IniLayer ini;
    EXPECT_EQ(ini.ReadIniValue(first, "s", "*"), 1);
    EXPECT_EQ(ini.ReadIniValue(second, "s", "c"), 1);
    EXPECT_EQ(ini.NextIniKey(), 2);
    EXPECT_EQ(ini.IniKey, "b");
    EXPECT_EQ(ini.IniValue, "2");
    EXPECT_EQ(ini.NextIniKey(), 0);
}

TEST_F(IniTest, KeyListHoldsAtMost8191Bytes)
{
    // 81 names of 100 characters take 81 * 101 = 8181 bytes with their zero bytes.
    std::vector<std::string> base;
    for (int i = 0; i < 81; ++i) {
        const std::string number = std::to_string(100 + i);
        base.push_back(number + Repeat("k", 97));
    }
    struct Case {
        const char* name;
        std::vector<std::string> extra;
        bool utf8Letters;
        int32_t count;
        std::string last;
    };
    const std::vector<Case> cases = {
        {"exactly 8191 bytes", {Repeat("n", 9)}, false, 82, Repeat("n", 9)},
        {"one byte over: that name and all after it unseen",
         {Repeat("n", 10), "x"},
         false,
         81,
         base.back()},
        // Letters count one byte each, as in Windows-1250, not two as in UTF-8.
        {"Czech letters in a UTF-8 file", {Repeat("č", 9)}, true, 82, Repeat("č", 9)},
    };
    kw::IniLayer ini;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        std::string bytes = "[s]\r\n";
        for (const std::string& name : base)
            bytes += (c.utf8Letters ? "ř" + name.substr(1) : name) + "=v\r\n";
        for (const std::string& name : c.extra)
            bytes += name + "=w\r\n";
        const std::string path = Make("list" + std::to_string(i) + ".ini", bytes);

        EXPECT_EQ(ini.ReadIniValue(path, "s", ""), c.count);
        while (ini.NextIniKey() > 0) {
        }
        const std::string last =
            c.utf8Letters && c.last == base.back() ? "ř" + c.last.substr(1) : c.last;
        EXPECT_EQ(ini.IniKey, last);
        // An unseen name is still readable by itself.
        for (const std::string& name : c.extra)
            EXPECT_EQ(ini.ReadIniValue(path, "s", name), 1);
    }
}

// ---------------------------------------------------------------- typed reads

TEST_F(IniTest, TypedReadsFollowOneReference)
{
    const std::string path = Make("ref.ini", "[BLOK]\n"
                                             "Factor=[KONST]\n"
                                             "Open=[KONST\n"
                                             "Twice=[REF2]\n"
                                             "NoValue=[NOVALUE]\n"
                                             "Nowhere=[ABSENT]\n"
                                             "Direct=7\n"
                                             "Junk=12abc\n"
                                             "Hex=$1F\n"
                                             "Spaced=\" -5\"\n"
                                             "Question=?\n"
                                             "Real=[REAL]\n"
                                             "Plain=-1.25e1\n"
                                             "Comma=1,5\n"
                                             "[KONST]\n"
                                             "VALUE=$10\n"
                                             "[REF2]\n"
                                             "VALUE=[KONST]\n"
                                             "[NOVALUE]\n"
                                             "other=5\n"
                                             "[REAL]\n"
                                             "value=2.5\n");
    struct Case {
        const char* key;
        int32_t integer;
        float real;
    };
    const std::vector<Case> cases = {
        {"Factor", 16, 0.0f}, // "$10" is no floating-point literal
        {"Open", 16, 0.0f},   // the section text loses its "[" like any section
        {"Twice", 0, 0.0f},   // "[KONST]" is not followed a second time
        {"NoValue", 0, 0.0f},  {"Nowhere", 0, 0.0f},  {"Direct", 7, 7.0f}, {"Junk", 0, 0.0f},
        {"Hex", 31, 0.0f},     {"Spaced", -5, -5.0f}, // the quotes keep the leading blank
        {"Question", 0, 0.0f}, {"Missing", 0, 0.0f},  {"Real", 0, 2.5f},   {"Plain", 0, -12.5f},
        {"Comma", 0, 0.0f},
    };
    kw::IniLayer ini;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.ReadIniInteger(path, "[BLOK]", c.key), c.integer);
        EXPECT_EQ(ini.ReadIniFloat(path, "BLOK", c.key), c.real);
    }
    ini.ReadIniInteger(path, "BLOK", "Twice");
    EXPECT_EQ(ini.IniValue, "[KONST]");
}

TEST(IniParse, Integers)
{
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    };
    const std::vector<Case> cases = {
        {"12", true, 12},
        {" -5", true, -5},
        {"\t+7", true, 7},
        {"$1F", true, 31},
        {"$ff", true, 255},
        {"-$10", true, -16},
        {"0000000000000000000012", true, 12},
        {"2147483647", true, std::numeric_limits<int32_t>::max()},
        {"-2147483648", true, std::numeric_limits<int32_t>::min()},
        {"$7FFFFFFF", true, std::numeric_limits<int32_t>::max()},
        {"-$80000000", true, std::numeric_limits<int32_t>::min()},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$80000000", false, 0},
        {"99999999999999999999", false, 0},
        {"12abc", false, 0},
        {"1 ", false, 0},
        {"1.5", false, 0},
        {"0x1F", false, 0},
        {"1F", false, 0},
        {"$", false, 0},
        {"-", false, 0},
        {"--1", false, 0},
        {"$-1", false, 0},
        {"", false, 0},
        {"  ", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = 4711;
        EXPECT_EQ(kw::ParseIniInteger(c.text, value), c.ok);
        EXPECT_EQ(value, c.ok ? c.value : 4711) << "a failed parse leaves the value alone";
    }
}

TEST(IniParse, Floats)
{
    struct Case {
        const char* text;
        bool ok;
        float value;
    };
    const std::vector<Case> cases = {
        {"2.5", true, 2.5f},
        {" -0.125", true, -0.125f},
        {"+3", true, 3.0f},
        {"12", true, 12.0f},
        {".5", true, 0.5f},
        {"5.", true, 5.0f},
        {"1e3", true, 1000.0f},
        {"1.5E-2", true, 0.015f},
        {"2e+2", true, 200.0f},
        {"0.1", true, 0.1f},
        {"16777217", true, 16777216.0f}, // rounded to single precision
        {"1,5", false, 0},
        {"1.5 ", false, 0},
        {"1e", false, 0},
        {"e5", false, 0},
        {".", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {"inf", false, 0},
        {"nan", false, 0},
        {"0x1p3", false, 0},
        {"1e50", false, 0},
        {"$10", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        float value = 47.11f;
        EXPECT_EQ(kw::ParseIniFloat(c.text, value), c.ok);
        EXPECT_EQ(value, c.ok ? c.value : 47.11f);
    }
}

// ---------------------------------------------------------------- writing

struct WriteCase {
    const char* name;
    std::optional<std::string> before; // none: the file does not exist
    bool remove;
    std::string section;
    std::string key;
    std::string value;
    std::optional<std::string> after;
};

TEST_F(IniTest, WritesChangeOnlyTheirLine)
{
    const std::string odd = "; header comment\r\n"
                            "\r\n"
                            "[First]  \r\n"
                            "  Alpha =  1 \r\n"
                            ";  note\r\n"
                            "beta=two\r\n"
                            "\r\n"
                            "[Second]\r\n"
                            "x=1\r\n";
    const std::vector<WriteCase> cases = {
        {"replace keeps the rest", odd, false, "first", "alpha", "9",
         "; header comment\r\n\r\n[First]  \r\nalpha=9\r\n;  note\r\nbeta=two\r\n\r\n"
         "[Second]\r\nx=1\r\n"},
        {"insert after the last entry", odd, false, "FIRST", "gamma", "3",
         "; header comment\r\n\r\n[First]  \r\n  Alpha =  1 \r\n;  note\r\nbeta=two\r\n"
         "gamma=3\r\n\r\n[Second]\r\nx=1\r\n"},
        {"append a section", odd, false, "Third", "k", "v", odd + "\r\n[Third]\r\nk=v\r\n"},
        {"delete", odd, true, "First", "BETA", "",
         "; header comment\r\n\r\n[First]  \r\n  Alpha =  1 \r\n;  note\r\n\r\n"
         "[Second]\r\nx=1\r\n"},
        {"delete a missing key", odd, true, "First", "none", "", odd},
        {"delete in a missing section", odd, true, "None", "x", "", odd},
        {"same value", "[s]\r\nk=v\r\n", false, "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"LF file without final line end", "[s]\nk=1", false, "s", "n", "2", "[s]\nk=1\nn=2\n"},
        {"section without entries", "[s]\n\n[t]\n", false, "s", "k", "1", "[s]\nk=1\n\n[t]\n"},
        {"no second blank line", "[s]\nk=1\n\n", false, "t", "k", "2", "[s]\nk=1\n\n[t]\nk=2\n"},
        {"empty file", "", false, "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"missing file is created", std::nullopt, false, "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"delete leaves a missing file missing", std::nullopt, true, "s", "k", "", std::nullopt},
        {"write replaces the first duplicate", "[s]\nk=1\nk=2\n", false, "s", "K", "3",
         "[s]\nK=3\nk=2\n"},
        {"delete removes every duplicate", "[s]\nk=1\nx=0\nk=2\n[t]\nk=3\n", true, "s", "k", "",
         "[s]\nx=0\n[t]\nk=3\n"},
        {"first of repeated sections", "[s]\na=1\n[S]\nb=2\n", false, "S", "b", "3",
         "[s]\na=1\nb=3\n[S]\nb=2\n"},
        {"Windows-1250 file stays so", "[s]\r\nn=\xE8\r\n", false, "s", "m", "ř",
         "[s]\r\nn=\xE8\r\nm=\xF8\r\n"},
        {"UTF-8 file stays so", "[s]\nn=č\n", false, "s", "m", "ř", "[s]\nn=č\nm=ř\n"},
        {"ASCII file gets Windows-1250", "[s]\nn=1\n", false, "Říjen", "m", "ř",
         "[s]\nn=1\n\n[\xD8\xEDjen]\nm=\xF8\n"},
        {"line without = is no entry", "[s]\nflag\nk=1\n", false, "s", "FLAG", "1",
         "[s]\nflag\nk=1\nFLAG=1\n"},
        // A lone CR ends a line: the write lands in the section the read lists.
        {"CR line ends", "[A]\rk=1\r", false, "A", "k", "2", "[A]\rk=2\r"},
        {"append after a CR-ended last line", "[s]\r\nk=1\r", false, "s", "n", "2",
         "[s]\r\nk=1\rn=2\r\n"},
        {"blanks around the arguments", "[A]\nk=1\n", false, " A ", " k ", "2", "[A]\nk=2\n"},
        {"blanks around the arguments, delete", "[A]\nk=1\nm=2\n", true, "A\t", "k ", "",
         "[A]\nm=2\n"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const WriteCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::string path = Path("write" + std::to_string(i) + ".ini");
        if (c.before)
            WriteBytes(path, *c.before);
        kw::IniLayer ini;
        ini.ReadIniValue(path, "s", "k"); // the handle's cache must follow the write
        const int32_t result = c.remove ? ini.DeleteIniKey(path, c.section, c.key)
                                        : ini.WriteIniValue(path, c.section, c.key, c.value);
        EXPECT_EQ(result, 0);
        ASSERT_EQ(fs::exists(path), c.after.has_value());
        if (c.after) {
            EXPECT_EQ(ReadBytes(path), *c.after);
        }

        if (c.remove) {
            EXPECT_EQ(ini.ReadIniValue(path, c.section, c.key), -1);
        } else {
            EXPECT_EQ(ini.ReadIniValue(path, c.section, c.key), 1);
            EXPECT_EQ(ini.IniValue, c.value);
        }
    }
}

TEST_F(IniTest, EnumerationSeesWrittenKeys)
{
    const std::string path = Make("kalend.ini", "[2024]\r\n1.1=S\r\n");
    kw::IniLayer ini;
    EXPECT_EQ(ini.ReadIniValue(path, "2024", ""), 1);
    ini.WriteIniValue(path, "2024", "2.1", "N");
    ini.DeleteIniKey(path, "2024", "1.1");
    EXPECT_EQ(ini.ReadIniValue(path, "2024", "*"), 1);
    EXPECT_EQ(ini.IniKey, "2.1");
    EXPECT_EQ(ini.IniValue, "N");
    EXPECT_EQ(ini.NextIniKey(), 0);
}

TEST_F(IniTest, ChangesOnDiskBehindTheHandleAreSeen)
{
    const std::string path = Make("live.ini", "[s]\nk=1\n");
    kw::IniLayer ini;
    ASSERT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
    EXPECT_EQ(ini.IniValue, "1");

    // Same size, same inode, within the same timestamp tick.
    WriteBytes(path, "[s]\nk=2\n");
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
    EXPECT_EQ(ini.IniValue, "2");

    // An old file changed in place with its time stamp put back.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    WriteBytes(path, "[s]\nk=3\n");
    fs::last_write_time(path, old);
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
    EXPECT_EQ(ini.IniValue, "3");
    WriteBytes(path, "[s]\nk=4\n");
    fs::last_write_time(path, old);
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
    EXPECT_EQ(ini.IniValue, "4");

    // Replaced by rename, removed, created again.
    WriteBytes(path + ".new", "[s]\nk=five\n");
    fs::rename(path + ".new", path);
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
    EXPECT_EQ(ini.IniValue, "five");
    fs::remove(path);
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), -1);
    WriteBytes(path, "[s]\nk=6\n");
    EXPECT_EQ(ini.ReadIniValue(path, "s", "k"), 1);
    EXPECT_EQ(ini.IniValue, "6");

    // A write starts from the disk, not from what the handle saw last.
    WriteBytes(path, "[s]\nk=6\nother=7\n");
    ini.WriteIniValue(path, "s", "k", "8");
    EXPECT_EQ(ReadBytes(path), "[s]\nk=8\nother=7\n");
}

TEST_F(IniTest, FailedWritesThrowAndKeepTheOldFile)
{
    const std::string content = "[s]\r\nk=old\r\n";

    // Permissions do not stop root; only then are those cases left out.
    const std::string probeDir = Path("probe");
    fs::create_directories(probeDir);
    fs::permissions(probeDir, fs::perms::owner_read | fs::perms::owner_exec);
    const bool permissionsHold = !std::ofstream(probeDir + "/x").is_open();

    struct Case {
        const char* name;
        bool needsPermissions;
        bool remove;
        std::string path;    // file the layer writes
        std::string guarded; // file whose content must survive
        std::string section;
        std::string key;
        std::string value;
    };
    const std::string readOnlyDir = Path("ro");
    const std::string unreadable = Path("unreadable.ini");
    const std::string plain = Path("plain.ini");
    const std::string dirAsFile = Path("dir.ini");
    const std::string inReadOnly = readOnlyDir + "/k.ini";
    const std::vector<Case> cases = {
        {"read-only directory", true, false, inReadOnly, inReadOnly, "s", "k", "new"},
        {"read-only directory, delete", true, true, inReadOnly, inReadOnly, "s", "k", ""},
        // Rewriting a file that cannot be read would throw its content away.
        {"unreadable file", true, false, unreadable, unreadable, "s", "k", "new"},
        {"unreadable file, delete", true, true, unreadable, unreadable, "s", "k", ""},
        {"parent is a regular file", false, false, plain + "/k.ini", plain, "s", "k", "new"},
        {"line break in value", false, false, plain, plain, "s", "k", "a\r\n[t]\r\nx=1"},
        {"= in key", false, false, plain, plain, "s", "a=b", "1"},
        {"= in key, delete", false, true, plain, plain, "s", "k=old", ""},
        {"empty key", false, false, plain, plain, "s", "", "1"},
        {"key that would be a comment", false, false, plain, plain, "s", ";k", "1"},
        {"] in section", false, false, plain, plain, "s]x", "k", "1"},
    };
    fs::create_directories(readOnlyDir);
    WriteBytes(inReadOnly, content);
    fs::permissions(readOnlyDir, fs::perms::owner_read | fs::perms::owner_exec);
    WriteBytes(unreadable, content);
    fs::permissions(unreadable, fs::perms::none);
    WriteBytes(plain, content);
    fs::create_directories(dirAsFile);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsPermissions && !permissionsHold)
            continue;
        kw::IniLayer ini;
        const int32_t before = c.guarded == unreadable ? 0 : ini.ReadIniValue(c.path, "s", "k");
        try {
            if (c.remove)
                ini.DeleteIniKey(c.path, c.section, c.key);
            else
                ini.WriteIniValue(c.path, c.section, c.key, c.value);
            ADD_FAILURE() << "no error";
        } catch (const kw::UserActionError& e) {
            EXPECT_EQ(
                std::string(e.what()).rfind("Soubor " + c.path + " se nepodařilo uložit: ", 0), 0u)
                << e.what();
            EXPECT_EQ(e.caption(), kw::SaveFailureCaption);
        }
        EXPECT_EQ(c.guarded == unreadable ? 0 : ini.ReadIniValue(c.path, "s", "k"), before);
        fs::permissions(c.guarded, fs::perms::owner_read, fs::perm_options::add);
        EXPECT_EQ(ReadBytes(c.guarded), content);
        if (c.guarded == unreadable)
            fs::permissions(c.guarded, fs::perms::none);
    }

    // A directory where the file should be: nothing to rewrite, nothing lost.
    kw::IniLayer ini;
    EXPECT_THROW(ini.WriteIniValue(dirAsFile, "s", "k", "v"), kw::UserActionError);
    EXPECT_TRUE(fs::is_directory(dirAsFile));
    EXPECT_TRUE(fs::is_empty(dirAsFile));
}

} // namespace
