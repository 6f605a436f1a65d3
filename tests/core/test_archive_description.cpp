#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/Ini.h"
#include "output/Log.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Fixture {
    kwtest::TempDir dir;
    kw::Log log;
    kw::IniLayer ini;
    kw::ArchiveDescription desc{ini, log};
    std::vector<std::string> lines;
    std::vector<bool> errors;

    Fixture()
    {
        log.setSink([this](const std::string& line, bool error) {
            lines.push_back(line);
            errors.push_back(error);
        });
    }
};

const char* const kTwoBlocks = "[BLOCK]\r\n"
                               "ACTIVE=1\r\n"
                               "STATUS=1\r\n"
                               "[REV]\r\n"
                               "REV_PLC=12\r\n"
                               "REV_INI=3\r\n"
                               "[RING]\r\n"
                               "VALUE=100\r\n"
                               "[ACTIVE]\r\n"
                               "POPIS=Činná energie\r\n"
                               "START=16\r\n"
                               "LENGTH=3\r\n"
                               "NZAZN=[RING]\r\n"
                               "NDAY=4\r\n"
                               "NASOB=0.1\r\n"
                               "FORMAT=L0B2;C.;W2N5\r\n"
                               "DEN=L0B\r\nHOD=H0B\r\nMIN=L1B\r\nSEC=H1B\r\nVALUE=W2N\r\n"
                               "VYPIS=ON\r\n"
                               "ZOBRAZ=0\r\n"
                               "JEDN=kW\r\n"
                               "OUTDBF=+ACTIVE\r\n"
                               "[STATUS]\r\n"
                               "POPIS=Stav\r\n"
                               "POPISW=Stav regulátoru\r\n"
                               "VYPIS=OFF\r\n";

TEST(ArchiveDescription, LoadsBlocksWithTheirKeys)
{
    Fixture f;
    f.dir.write("D0LARCH.INI", kw::Utf8ToCp1250(kTwoBlocks));
    f.desc.LoadArchiveDescription(f.dir.path(), 0);

    ASSERT_TRUE(f.desc.ArchiveLoaded);
    EXPECT_EQ(f.desc.ArchivePrefix, "D0L");
    EXPECT_EQ(f.desc.PlcRevision, 12);
    EXPECT_EQ(f.desc.IniRevision, 3);
    ASSERT_EQ(f.desc.BlockCount, 2);
    EXPECT_EQ(f.desc.CurrentBlock, 1);

    const kw::BlockDescription& a = f.desc.BlockTable[1];
    EXPECT_EQ(a.SectionName, "ACTIVE");
    EXPECT_EQ(a.Description, "Činná energie");
    EXPECT_EQ(a.Start, 16);
    EXPECT_EQ(a.Length, 3);
    EXPECT_EQ(a.RecordCount, 100); // through the [RING] reference
    EXPECT_EQ(a.DaysAhead, 4);
    EXPECT_FLOAT_EQ(a.Multiplier, 0.1f);
    EXPECT_EQ(a.Format, "L0B2;C.;W2N5");
    EXPECT_EQ(a.DayItem, "L0B");
    EXPECT_EQ(a.ValueItem, "W2N");
    EXPECT_TRUE(a.Listed);
    EXPECT_EQ(a.Unit, "kW");
    EXPECT_EQ(a.ExportName, "ACTIVE");
    EXPECT_TRUE(a.ExportPlus);

    const kw::BlockDescription& s = f.desc.BlockTable[2];
    EXPECT_EQ(s.Description, "Stav regulátoru"); // POPISW wins over POPIS
    EXPECT_FALSE(s.Listed);
    EXPECT_EQ(s.Unit, "JEDN"); // default of a missing unit
    EXPECT_FLOAT_EQ(s.Multiplier, 0.0f);

    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.lines[0], "  READ_LIST_INI FILE: " + f.dir.path() + "D0LARCH.INI :0");
    EXPECT_FALSE(f.errors[0]);
}

TEST(ArchiveDescription, DeviceZeroFallsBackToQx5)
{
    Fixture f;
    f.dir.write("QX5ARCH.INI", kTwoBlocks);
    f.desc.LoadArchiveDescription(f.dir.path(), 0);
    EXPECT_TRUE(f.desc.ArchiveLoaded);
    EXPECT_EQ(f.desc.ArchivePrefix, "QX5");
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.lines[0], "  READ_LIST_INI FILE: " + f.dir.path() + "QX5ARCH.INI :0");
}

TEST(ArchiveDescription, MissingFilesAreLoggedAsErrors)
{
    struct Case {
        int device;
        const char* logged;
    } cases[] = {{0, "QX5ARCH.INI :-1"}, {7, "D07ARCH.INI :-1"}, {10, "D0AARCH.INI :-1"}};
    for (const Case& c : cases) {
        Fixture f;
        f.dir.write("QX5ARCH.INI.bak", kTwoBlocks);
        f.desc.LoadArchiveDescription(f.dir.path(), c.device);
        EXPECT_FALSE(f.desc.ArchiveLoaded) << c.device;
        ASSERT_EQ(f.lines.size(), 1u);
        EXPECT_EQ(f.lines[0], "  READ_LIST_INI FILE: " + f.dir.path() + c.logged);
        EXPECT_TRUE(f.errors[0]);
    }
}

TEST(ArchiveDescription, NameFoundWithoutRegardToCase)
{
    Fixture f;
    f.dir.write("d03arch.ini", kTwoBlocks);
    f.desc.LoadArchiveDescription(f.dir.path(), 3);
    EXPECT_TRUE(f.desc.ArchiveLoaded);
    EXPECT_EQ(f.lines.at(0), "  READ_LIST_INI FILE: " + f.dir.path() + "D03ARCH.INI :0");
}

TEST(ArchiveDescription, LongProgramPathIsCutInTheLogLine)
{
    Fixture f;
    const std::string deep =
        f.dir.path() + std::string(120, 'x') + "/" + std::string(60, 'y') + "/";
    std::filesystem::create_directories(deep);
    std::ofstream(deep + "D0LARCH.INI") << kTwoBlocks;
    f.desc.LoadArchiveDescription(deep, 0);
    EXPECT_TRUE(f.desc.ArchiveLoaded);
    EXPECT_EQ(f.lines.at(0), "  READ_LIST_INI FILE: " + deep.substr(0, 150) + "D0LARCH.INI :0");
}

struct RevisionCase {
    const char* name;
    const char* rev;
    bool loaded;
    int plc;
    int ini;
};

class Revisions : public testing::TestWithParam<RevisionCase> {};

TEST_P(Revisions, ReadFromSectionRev)
{
    Fixture f;
    const std::string path =
        f.dir.write("D0LARCH.INI", std::string("[BLOCK]\r\nA=1\r\n[REV]\r\n") + GetParam().rev);
    EXPECT_EQ(f.desc.ReadRevisions(path), GetParam().loaded ? 0 : -1);
    if (GetParam().loaded) {
        EXPECT_EQ(f.desc.PlcRevision, GetParam().plc);
        EXPECT_EQ(f.desc.IniRevision, GetParam().ini);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Revisions,
    testing::Values(
        RevisionCase{"Plain", "REV_PLC=12\r\nREV_INI=3\r\n", true, 12, 3},
        RevisionCase{"NegativePlcIsAbsolute", "REV_PLC=-7\r\nREV_INI=1\r\n", true, 7, 1},
        RevisionCase{"Qx5KeyWhenPlcMissing", "REV_QX5=9\r\nREV_INI=2\r\n", true, 9, 2},
        RevisionCase{"PlcWinsOverQx5", "REV_QX5=9\r\nREV_PLC=4\r\nREV_INI=2\r\n", true, 4, 2},
        RevisionCase{"IniMissing", "REV_PLC=12\r\n", false, 0, 0},
        RevisionCase{"PlcNotInteger", "REV_PLC=12a\r\nREV_INI=3\r\n", false, 0, 0},
        RevisionCase{"IniNotInteger", "REV_PLC=12\r\nREV_INI=three\r\n", false, 0, 0},
        RevisionCase{"BothMissing", "OTHER=1\r\n", false, 0, 0}),
    [](const testing::TestParamInfo<RevisionCase>& info) { return std::string(info.param.name); });

TEST(ArchiveDescription, CurrentBlockIsFirstWithVypisKeyWhateverItsValue)
{
    Fixture f;
    const std::string path = f.dir.write("X.INI", "[BLOCK]\nA=1\nB=1\nC=1\n"
                                                  "[A]\nPOPIS=a\n"
                                                  "[B]\nPOPIS=b\nVYPIS=on\n"
                                                  "[C]\nPOPIS=c\nVYPIS=ON\n");
    ASSERT_EQ(f.desc.ParseArchiveDescription(0, path), 0);
    EXPECT_EQ(f.desc.CurrentBlock, 2);
    EXPECT_FALSE(f.desc.BlockTable[2].Listed); // letter case matters
    EXPECT_TRUE(f.desc.BlockTable[3].Listed);

    const std::string none = f.dir.write("Y.INI", "[BLOCK]\nA=1\n[A]\nPOPIS=a\n");
    ASSERT_EQ(f.desc.ParseArchiveDescription(0, none), 0);
    EXPECT_EQ(f.desc.CurrentBlock, 0);
    EXPECT_EQ(f.desc.currentBlock(), nullptr);
}

TEST(ArchiveDescription, TextsAreCutToTheirFieldsOnCharacters)
{
    Fixture f;
    const std::string longName = std::string(40, 'S');
    const std::string popis = std::string(63, 'x') + "ččč";
    const std::string path =
        f.dir.write("X.INI", kw::Utf8ToCp1250("[BLOCK]\n" + longName + "=1\nB=1\n[" + longName +
                                              "]\nPOPIS=long\n[B]\nPOPIS=" + popis +
                                              "\nJEDN=kilowatthodiny/hod\nDEN=W1B-extra\n"));
    ASSERT_EQ(f.desc.ParseArchiveDescription(0, path), 0);
    ASSERT_EQ(f.desc.BlockCount, 2);
    // The section name is kept cut, so its keys are looked up under the cut name.
    EXPECT_EQ(f.desc.BlockTable[1].SectionName, std::string(32, 'S'));
    EXPECT_EQ(f.desc.BlockTable[1].Description, "");
    const kw::BlockDescription& b = f.desc.BlockTable[2];
    EXPECT_EQ(b.Description, std::string(63, 'x') + "č");
    EXPECT_EQ(b.Unit, "kilowatthodiny/h");
    EXPECT_EQ(b.DayItem, "W1B-extr");
}

TEST(ArchiveDescription, AtMostTenBlocks)
{
    Fixture f;
    std::string text = "[BLOCK]\n";
    for (int i = 1; i <= 12; ++i)
        text += "B" + std::to_string(i) + "=1\n";
    for (int i = 1; i <= 12; ++i)
        text += "[B" + std::to_string(i) + "]\nPOPIS=block " + std::to_string(i) + "\n";
    const std::string path = f.dir.write("X.INI", text);
    ASSERT_EQ(f.desc.ParseArchiveDescription(0, path), 0);
    EXPECT_EQ(f.desc.BlockCount, 10);
    EXPECT_EQ(f.desc.BlockTable[10].Description, "block 10");
}

TEST(ArchiveDescription, MissingFileChangesNothing)
{
    Fixture f;
    const std::string path = f.dir.write("D0LARCH.INI", kTwoBlocks);
    ASSERT_EQ(f.desc.ParseArchiveDescription(0, path), 0);
    EXPECT_EQ(f.desc.ParseArchiveDescription(0, f.dir.path() + "NONE.INI"), -1);
    EXPECT_EQ(f.desc.BlockCount, 2);
    EXPECT_EQ(f.desc.CurrentBlock, 1);
}

TEST(ArchiveDescription, SwitchKeepsTheBlockByItsFirstCharacter)
{
    Fixture f;
    const std::string main = f.dir.write("D0LARCH.INI", kTwoBlocks);
    ASSERT_EQ(f.desc.ParseArchiveDescription(0, main), 0);
    int notified = 0;
    f.desc.BlockChangeNotify = [&] { ++notified; };

    // The alternative file lists the blocks in another order and spells the
    // export name with its "+", which a switch keeps.
    const std::string alt = f.dir.write("D0L_11_2.INI", "[BLOCK]\r\nJAL=1\r\nCIN=1\r\n"
                                                        "[JAL]\r\nPOPIS=Jalová\r\nVYPIS=ON\r\n"
                                                        "[CIN]\r\nPOPIS=Činná (starší)\r\n"
                                                        "VYPIS=ON\r\nSTART=416\r\n"
                                                        "OUTDBF=+ACT\r\n");
    ASSERT_EQ(f.desc.ParseArchiveDescription(1, alt), 0);
    EXPECT_EQ(f.desc.CurrentBlock, 2);
    EXPECT_EQ(f.desc.CurrentBlockTitle, "Činná (starší)");
    EXPECT_EQ(f.desc.BlockTable[2].Start, 416);
    EXPECT_EQ(f.desc.BlockTable[2].ExportName, "+ACT");
    EXPECT_EQ(notified, 1);
    EXPECT_TRUE(f.lines.empty());

    // No listed block starts with "Č" here: logged, and the VYPIS rule stands.
    const std::string other = f.dir.write("D0L_10_1.INI", "[BLOCK]\r\nX=1\r\nY=1\r\n"
                                                          "[X]\r\nPOPIS=Xyz\r\nVYPIS=OFF\r\n"
                                                          "[Y]\r\nPOPIS=Čtvrthodiny\r\n");
    ASSERT_EQ(f.desc.ParseArchiveDescription(1, other), 0);
    EXPECT_EQ(f.desc.CurrentBlock, 1);
    EXPECT_EQ(notified, 1);
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.lines[0], "Při přepnutí INI souborů nenalezen blok s identifikaci :Č");
    EXPECT_TRUE(f.errors[0]);
}

TEST(ArchiveDescription, UnusableMultiplierIsLoggedOnce)
{
    Fixture f;
    // Typed with a Czech decimal comma: every value of the block becomes 0.
    std::string text = kTwoBlocks;
    text.replace(text.find("NASOB=0.1"), 9, "NASOB=0,1");
    const std::string path = f.dir.write("D0LARCH.INI", kw::Utf8ToCp1250(text));
    const auto reported = [&f] {
        int n = 0;
        for (std::size_t i = 0; i < f.lines.size(); ++i) {
            if (f.lines[i].find("NASOB=\"0,1\" v bloku ACTIVE") != std::string::npos) {
                EXPECT_TRUE(f.errors[i]);
                ++n;
            }
        }
        return n;
    };
    f.desc.LoadArchiveDescription(f.dir.path(), 0);
    ASSERT_TRUE(f.desc.ArchiveLoaded);
    EXPECT_FLOAT_EQ(f.desc.BlockTable[1].Multiplier, 0.0f);
    EXPECT_EQ(reported(), 1);
    // Switching to the same file again during a listing does not repeat it.
    f.desc.ParseArchiveDescription(1, path);
    EXPECT_EQ(reported(), 1);
}

} // namespace
