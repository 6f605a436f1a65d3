#include "archive/Codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Codepage, CzechLettersRoundTripThroughWindows1250)
{
    const std::string utf8 = "Příliš žluťoučký kůň úpěl ďábelské ódy ŠČŘŽÝÁÍÉÚŮĎŤŇ";
    const std::string cp = kw::Utf8ToCp1250(utf8);
    EXPECT_EQ(cp.size(), kw::Utf8Length(utf8)); // one byte a character
    EXPECT_EQ(kw::Cp1250ToUtf8(cp), utf8);
    // A few bytes checked against the code page itself.
    EXPECT_EQ(kw::Utf8ToCp1250("Š"), "\x8A");
    EXPECT_EQ(kw::Utf8ToCp1250("ř"), "\xF8");
    EXPECT_EQ(kw::Cp1250ToUtf8("\xE8"), "č");
}

TEST(Codepage, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(kw::Utf8ToCp1250(kw::Cp1250ToUtf8(all)), all);
}

TEST(Codepage, UnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(kw::Utf8ToCp1250("a€b漢c"), "a\x80"
                                          "b?c");
    EXPECT_EQ(kw::Utf8ToCp1250("x\xFFy"), "x?y"); // invalid UTF-8 byte
}

TEST(Codepage, Utf8Validation)
{
    EXPECT_TRUE(kw::IsValidUtf8("plain"));
    EXPECT_TRUE(kw::IsValidUtf8("Kalendář"));
    EXPECT_FALSE(kw::IsValidUtf8("Kalend\xE1\xF8")); // Windows-1250 bytes
    EXPECT_FALSE(kw::IsValidUtf8("\xC3"));           // cut sequence
    EXPECT_FALSE(kw::IsValidUtf8("\xC0\xAF"));       // overlong
    EXPECT_FALSE(kw::IsValidUtf8("\xED\xA0\x80"));   // surrogate
}

TEST(Codepage, LeftCutsOnCharacterBoundaries)
{
    struct Case {
        const char* in;
        std::size_t n;
        const char* out;
    } cases[] = {
        {"abcdef", 3, "abc"}, {"žluť", 2, "žl"}, {"žluť", 4, "žluť"},
        {"žluť", 10, "žluť"}, {"ž", 0, ""},      {"", 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kw::Utf8Left(c.in, c.n), c.out) << c.in << " " << c.n;
}

TEST(Codepage, CaseFoldingCoversCzechLetters)
{
    EXPECT_TRUE(kw::EqualsNoCase("Block", "BLOCK"));
    EXPECT_TRUE(kw::EqualsNoCase("Činná", "ČINNÁ"));
    EXPECT_TRUE(kw::EqualsNoCase("ŘÍJEN", "říjen"));
    EXPECT_TRUE(kw::EqualsNoCase("ĽŇŮŤŽ", "ľňůťž"));
    EXPECT_FALSE(kw::EqualsNoCase("Činná", "Cinna"));
    EXPECT_FALSE(kw::EqualsNoCase("abc", "abd"));
    EXPECT_FALSE(kw::EqualsNoCase("abc", "abcd"));
}

} // namespace
