// The files the program writes (ROZ_DNEW.CFG, KALEND.INI) survive every failed
// or interrupted save: the old bytes stay, the failure is reported, and a
// process killed while saving leaves the old or the new file, never a mix.
#include "archive/Errors.h"
#include "archive/Ini.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "tools/DemoArchive.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace demo = kw::demo;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// One save of the program; true when it reported a failure.
struct Save {
    const char* name;
    const char* file; // the file it replaces
    std::function<bool(const std::string& dir)> failed;
};

bool DayDivisionSaveFailed(const std::string& dir)
{
    kw::DayDivision d;
    if (d.LoadDayDivision(dir) != 0)
        return false;
    d.SetGroupName(1, "Špička");
    const int32_t code = d.StoreDayDivision(dir);
    return code != 0 && d.LastResult == code && !d.LastErrorText.empty();
}

bool IniWriteFailed(const std::string& dir)
{
    kw::IniLayer ini;
    try {
        ini.WriteIniValue(dir + "KALEND.INI", "2024", "3.3", "N");
    } catch (const kw::UserActionError& e) {
        return std::string(e.what()) == "Unable to write to " + dir + "KALEND.INI";
    }
    return false;
}

bool CalendarEditFailed(const std::string& dir)
{
    kw::IniLayer ini;
    kw::Calendar cal(ini);
    cal.setProgramPath(dir);
    cal.SelectionMode = false;
    cal.LoadCalendarMonth(2024, 3, "");
    if (!cal.ClickDay("4").showPopup)
        return false;
    try {
        cal.PopupAction(kw::PopupItem::S);
    } catch (const kw::UserActionError&) {
        return true;
    }
    return false;
}

const std::vector<Save>& Saves()
{
    static const std::vector<Save> saves = {
        {"day division", "ROZ_DNEW.CFG", DayDivisionSaveFailed},
        {"INI value", "KALEND.INI", IniWriteFailed},
        {"calendar popup", "KALEND.INI", CalendarEditFailed},
    };
    return saves;
}

void WriteProgramFiles(const std::string& dir)
{
    std::ofstream(dir + "ROZ_DNEW.CFG", std::ios::binary) << demo::DayDivisionRecord();
    std::ofstream(dir + "KALEND.INI", std::ios::binary) << demo::CalendarText(2023, 2024);
}

// Runs `body` in a child process and returns its exit status (-1: killed).
int InChild(const std::function<bool()>& body)
{
    const pid_t pid = fork();
    if (pid == 0)
        std::_Exit(body() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SafeSaves : public testing::Test {
protected:
    void SetUp() override { WriteProgramFiles(dir.path()); }

    // Every save fails with `failureKind` in force, reports it and leaves
    // both files and the directory's listing exactly as they were.
    void ExpectEverySaveFailsCleanly(const std::string& programDir,
                                     const std::function<int(const Save&)>& attempt)
    {
        const std::string cfg = ReadFile(programDir + "ROZ_DNEW.CFG");
        const std::string ini = ReadFile(programDir + "KALEND.INI");
        const std::vector<std::string> entries = Entries(programDir);
        ASSERT_EQ(cfg.size(), kw::DayDivision::RecordSize);
        for (const Save& save : Saves()) {
            SCOPED_TRACE(save.name);
            EXPECT_EQ(attempt(save), 0) << "the failure was not reported";
            EXPECT_EQ(ReadFile(programDir + "ROZ_DNEW.CFG"), cfg);
            EXPECT_EQ(ReadFile(programDir + "KALEND.INI"), ini);
            EXPECT_EQ(Entries(programDir), entries) << "a temporary file was left";
        }
    }

    kwtest::TempDir dir;
};

TEST_F(SafeSaves, FileSizeLimitStopsTheWrite)
{
    // An injected write failure that holds for root too: the new file may
    // not grow past a few bytes. In a child, so that the limit stays there.
    ExpectEverySaveFailsCleanly(dir.path(), [this](const Save& save) {
        return InChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64, 64};
            setrlimit(RLIMIT_FSIZE, &limit);
            return save.failed(dir.path());
        });
    });
}

TEST_F(SafeSaves, ReadOnlyDirectory)
{
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    const bool permissionsHold = !std::ofstream(dir.path() + "probe").is_open();
    if (!permissionsHold) {
        chmod(dir.path().c_str(), 0755);
        GTEST_SKIP() << "permissions do not stop this user";
    }
    ExpectEverySaveFailsCleanly(
        dir.path(), [this](const Save& save) { return save.failed(dir.path()) ? 0 : 1; });
    chmod(dir.path().c_str(), 0755);
}

TEST_F(SafeSaves, FullFileSystem)
{
    // A small tmpfs filled to the last byte; mounting needs privileges that a
    // test run may not have.
    const std::string mnt = dir.path() + "full/";
    fs::create_directory(mnt);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    struct Unmount {
        std::string at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{mnt};
    WriteProgramFiles(mnt);
    {
        std::ofstream filler(mnt + "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size()))
            ;
    }
    {
        std::ofstream filler(mnt + "filler", std::ios::binary | std::ios::app);
        while (filler.put('x'))
            ;
    }
    ExpectEverySaveFailsCleanly(mnt, [&mnt](const Save& save) { return save.failed(mnt) ? 0 : 1; });
}

// A child saving two contents in turn as fast as it can is killed at random
// moments; the file must then be one of the contents, whole.
void KillDuringSaves(const std::string& file, const std::function<void(int)>& saveVariant,
                     const std::vector<std::string>& allowed)
{
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            for (int i = 0;; ++i) {
                saveVariant(i % 2);
                if (i == 0)
                    (void)!write(ready[1], "x", 1);
            }
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the child did not save";
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        const std::string now = ReadFile(file);
        bool whole = false;
        for (const std::string& a : allowed)
            whole = whole || now == a;
        ASSERT_TRUE(whole) << "round " << round << ": torn file of " << now.size() << " bytes";
    }
}

TEST_F(SafeSaves, KilledDayDivisionSaveLeavesAWholeRecord)
{
    const std::string path = dir.path() + "ROZ_DNEW.CFG";
    std::vector<std::string> allowed;
    for (const char* name : {"Den", "Noc"}) {
        kw::DayDivision d;
        ASSERT_EQ(d.LoadDayDivision(dir.path()), 0);
        d.SetGroupName(1, name);
        d.UpdateChecksum();
        allowed.emplace_back(d.bytes().begin(), d.bytes().end());
    }
    KillDuringSaves(
        path,
        [&](int variant) {
            kw::DayDivision d;
            d.LoadDayDivision(dir.path());
            d.SetGroupName(1, variant == 0 ? "Den" : "Noc");
            d.SaveDayDivision(dir.path());
        },
        allowed);
    kw::DayDivision check;
    EXPECT_EQ(check.LoadDayDivision(dir.path()), 0);
}

TEST_F(SafeSaves, KilledIniWriteLeavesAWholeFile)
{
    const std::string path = dir.path() + "KALEND.INI";
    // The two contents the writes produce, made the same way elsewhere.
    std::vector<std::string> allowed;
    for (const char* value : {"P", "NE"}) {
        kwtest::TempDir other;
        WriteProgramFiles(other.path());
        kw::IniLayer ini;
        ini.WriteIniValue(other.path() + "KALEND.INI", "2024", "3.3", value);
        allowed.push_back(ReadFile(other.path() + "KALEND.INI"));
    }
    ASSERT_NE(allowed[0], allowed[1]);
    KillDuringSaves(
        path,
        [&](int variant) {
            kw::IniLayer ini;
            ini.WriteIniValue(path, "2024", "3.3", variant == 0 ? "P" : "NE");
        },
        allowed);
}

} // namespace
