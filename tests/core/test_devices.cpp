#include "archive/ArchiveDescription.h"
#include "archive/Devices.h"
#include "archive/FileLookup.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

TEST(Devices, LettersOfDevices)
{
    const std::vector<std::pair<int, const char*>> cases = {{0, "L"},  {1, "1"},  {9, "9"},
                                                            {10, "A"}, {11, "B"}, {15, "F"}};
    for (const auto& [device, letter] : cases)
        EXPECT_EQ(kw::DeviceLetter(device), letter) << device;
}

TEST(Devices, ProgramPathKeepsTheWholeDirectory)
{
    EXPECT_EQ(kw::ProgramPathFromExecutable("/opt/kwatrix/bin/kwatrix"), "/opt/kwatrix/bin/");
    EXPECT_EQ(kw::ProgramPathFromExecutable("/kwatrix"), "/");
    EXPECT_EQ(kw::ProgramPathFromExecutable("kwatrix"), "");
    // A long path must not be cut: a cut one would name another directory.
    const std::string deep = "/" + std::string(300, 'd') + "/x/";
    EXPECT_EQ(kw::ProgramPathFromExecutable(deep + "kwatrix"), deep);
}

TEST(Devices, SettingsTextsAsNumbers)
{
    struct Case {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"7", 7},    {"0x0A", 10}, {"0X0a", 10},        {" 3 ", 3},    {"", -1},
        {"abc", -1}, {"0x", -1},   {"0xG", -1},         {"12abc", -1}, {"-4", -4},
        {"+5", 5},   {"-", -1},    {"99999999999", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kw::ParseSettingsInteger(c.text, -1), c.expected) << c.text;
}

TEST(Devices, StoredDeviceOutsideTheRangeIsDeviceZero)
{
    EXPECT_EQ(kw::StoredDeviceNo("0x0A"), 10);
    EXPECT_EQ(kw::StoredDeviceNo("15"), 15);
    EXPECT_EQ(kw::StoredDeviceNo("16"), 0);
    EXPECT_EQ(kw::StoredDeviceNo("-1"), 0);
    EXPECT_EQ(kw::StoredDeviceNo("nonsense"), 0);
}

struct DeviceListCase {
    const char* name;
    std::vector<std::string> files;
    int32_t stored;
    std::vector<int32_t> devices;
    int32_t deviceNo;
    int selected;
    bool enabled;
};

class DeviceListRules : public testing::TestWithParam<DeviceListCase> {};

TEST_P(DeviceListRules, ListSelectionAndDevice)
{
    const DeviceListCase& c = GetParam();
    kwtest::TempDir dir;
    for (const std::string& f : c.files)
        dir.write(f, "");
    const kw::DeviceList list = kw::FillDeviceList(dir.path(), c.stored);
    EXPECT_EQ(list.devices, c.devices);
    EXPECT_EQ(list.deviceNo, c.deviceNo);
    EXPECT_EQ(list.selected, c.selected);
    EXPECT_EQ(list.enabled, c.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceListRules,
    testing::Values(
        // A single device with files wins over the stored one.
        DeviceListCase{"OnlyDevice3", {"E3_24_03.DAT"}, 0, {3}, 3, 0, false},
        // With two devices a stored device without files stays in effect.
        DeviceListCase{
            "StoredDeviceWithoutFiles", {"EL_24_03.DAT", "E3_24_03.DAT"}, 7, {0, 3}, 7, -1, true},
        DeviceListCase{
            "StoredSecondEntry", {"EL_24_03.DAT", "E3_24_01.DAT"}, 3, {0, 3}, 3, 1, true},
        DeviceListCase{
            "Device10UsesLetterA", {"EA_24_03.DAT", "EL_23_12.dat"}, 10, {0, 10}, 10, 1, true},
        // The files come from a case-insensitive platform.
        DeviceListCase{
            "NamesWithoutRegardToCase", {"el_24_03.dat", "eb_24_03.DaT"}, 0, {0, 11}, 0, 0, true},
        DeviceListCase{"NoDeviceKeepsStored", {"KALEND.INI", "D0LARCH.INI"}, 5, {}, 5, -1, false},
        // Only names beginning with E + letter count; "EL" is not device 1..15.
        DeviceListCase{
            "OtherNamesIgnored", {"XEL_24_03.DAT", "E_24.DAT", "ELx.txt"}, 0, {}, 0, -1, false}),
    [](const testing::TestParamInfo<DeviceListCase>& info) {
        return std::string(info.param.name);
    });

TEST(FileLookup, WildcardsWithoutRegardToCase)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"EL_24_??.DAT", "EL_24_03.DAT", true},
        {"EL_24_??.DAT", "el_24_03.dat", true},
        {"EL_24_??.DAT", "EL_24_3.DAT", false},
        {"EL*.dat", "EL_24_03.DAT", true},
        {"EL*.dat", "EL.dat", true},
        {"EL*.dat", "EL_24_03.DAT.bak", false},
        {"E3*.dat", "EL_24_03.DAT", false},
        {"?", "ř", true},
        {"KALEND.INI", "kalend.ini", true},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
    };
    for (const Case& c : cases) {
        kwtest::TempDir dir;
        dir.write(c.name, "");
        EXPECT_EQ(kw::DirectoryListing(dir.path()).anyMatch(c.pattern), c.match)
            << c.pattern << " ~ " << c.name;
    }
}

TEST(FileLookup, ExactNameFirstThenAnyCase)
{
    kwtest::TempDir dir;
    dir.write("kalend.ini", "lower");
    EXPECT_EQ(kw::ResolveFile(dir.path(), "KALEND.INI"), dir.path() + "kalend.ini");
    dir.write("KALEND.INI", "upper");
    EXPECT_EQ(kw::ResolveFile(dir.path(), "KALEND.INI"), dir.path() + "KALEND.INI");
    // A missing file resolves to the name as asked, so it is created so.
    EXPECT_EQ(kw::ResolveFile(dir.path(), "ROZ_DNEW.CFG"), dir.path() + "ROZ_DNEW.CFG");
}

TEST(Devices, ArchiveFolderIsChosenInOrder)
{
    kwtest::TempDir root;
    const std::string given = root.path() + "given/";
    const std::string withArchive = root.path() + "bin-with-archive/";
    const std::string bare = root.path() + "bin-bare/";
    const std::string last = root.path() + "last/";
    for (const std::string& dir : {given, withArchive, bare, last})
        std::filesystem::create_directory(dir);
    root.write("given/EL_24_03.DAT", "");
    root.write("bin-with-archive/e3_24_03.dat", ""); // any letter case, any device
    root.write("bin-bare/kwatrix", "");

    struct Case {
        const char* name;
        std::string argument, executableDir, lastOpened, chosen, problem = "";
    } cases[] = {
        {"the folder given wins", given, withArchive, last, given},
        {"a folder without the final slash", root.path() + "given", withArchive, last, given},
        {"a file given means its folder", given + "EL_24_03.DAT", withArchive, last, given},
        {"a path that names nothing", root.path() + "none", withArchive, last, "",
         "zadaná složka „" + root.path() + "none“ neexistuje"},
        {"the executable's folder with an archive", "", withArchive, last, withArchive},
        {"then the last folder opened", "", bare, last, last},
        {"the last folder is gone", "", bare, root.path() + "gone/", ""},
        {"nothing known: the user is asked", "", bare, "", ""},
    };
    for (const Case& c : cases) {
        std::string problem = "left from before";
        EXPECT_EQ(kw::ChooseArchiveFolder(c.argument, c.executableDir, c.lastOpened, &problem),
                  c.chosen)
            << c.name;
        EXPECT_EQ(problem, c.problem) << c.name;
    }

    // The command line: one folder at most, no option but --help and --version.
    using Action = kw::ProgramArguments::Action;
    const std::pair<std::vector<std::string>, Action> commandLines[] = {
        {{"--", "-Hala"}, Action::Run},
        {{"/data/Hala", "--help"}, Action::Help},
        {{"--verbose", "/data"}, Action::Refuse},
        {{"/data/Hala", "/data/Sklad"}, Action::Refuse},
    };
    for (const auto& [args, action] : commandLines) {
        const kw::ProgramArguments parsed = kw::ParseProgramArguments(args);
        EXPECT_EQ(parsed.action, action) << args.back();
    }
    EXPECT_EQ(kw::ParseProgramArguments({"--", "-Hala"}).folder, "-Hala");

    // A description alone is an archive too.
    root.write("bin-bare/QX5ARCH.INI", "");
    EXPECT_TRUE(kw::HoldsArchive(bare));
    EXPECT_EQ(kw::ArchiveFolderName("/data/Archiv Hala 2/"), "Archiv Hala 2");
    EXPECT_EQ(kw::ArchiveFolderName("/"), "/");
}

} // namespace
