// The files the program writes (ROZ_DNEW.CFG, KALEND.INI) survive every failed
// or interrupted save: the old bytes stay, the failure is reported, and a
// process killed while saving leaves the old or the new file, never a mix.
#include "analysis/Contract.h"
#include "archive/AtomicFile.h"
#include "archive/Errors.h"
#include "archive/Ini.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "output/Log.h"
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

// A failed save is also one error line in the log, in the words of the message.
struct ErrorLog {
    kw::Log log;
    std::vector<std::string> errors;
    ErrorLog()
    {
        log.setSink([this](const std::string& line, bool error) {
            if (error)
                errors.push_back(line);
        });
    }
    bool logged(const std::string& file) const
    {
        return errors.size() == 1 &&
               errors[0].rfind("Soubor " + file + " se nepodařilo uložit: ", 0) == 0;
    }
};

bool DayDivisionSaveFailed(const std::string& dir)
{
    ErrorLog log;
    kw::DayDivision d;
    d.setLog(&log.log);
    if (d.LoadDayDivision(dir) != 0)
        return false;
    d.SetGroupName(1, "Špička");
    const int32_t code = d.SaveDayDivision(dir);
    return code != 0 && d.LastResult == code && !d.LastErrorText.empty() &&
           log.logged(dir + "ROZ_DNEW.CFG");
}

bool IniWriteFailed(const std::string& dir)
{
    ErrorLog log;
    kw::IniLayer ini;
    ini.setLog(&log.log);
    try {
        ini.WriteIniValue(dir + "KALEND.INI", "2024", "3.3", "N");
    } catch (const kw::UserActionError& e) {
        return log.logged(dir + "KALEND.INI") && e.what() == log.errors[0] &&
               e.caption() == kw::SaveFailureCaption;
    }
    return false;
}

bool CalendarEditFailed(const std::string& dir)
{
    ErrorLog log;
    kw::IniLayer ini;
    ini.setLog(&log.log);
    kw::Calendar cal(ini);
    cal.setProgramPath(dir);
    cal.SelectionMode = false;
    cal.LoadCalendarMonth(2024, 3, "");
    if (!cal.ClickDay("4").showPopup)
        return false;
    try {
        cal.PopupAction(kw::PopupItem::S);
    } catch (const kw::UserActionError&) {
        return log.logged(dir + "KALEND.INI");
    }
    return false;
}

bool ContractSaveFailed(const std::string& dir)
{
    kw::ContractFile file;
    if (file.Load(dir) != 0)
        return false;
    file.contracts.forDevice(0).tolerancePercent += 1;
    return file.Save(dir) != 0 && !file.LastErrorText.empty();
}

const std::vector<Save>& Saves()
{
    static const std::vector<Save> saves = {
        {"day division", "ROZ_DNEW.CFG", DayDivisionSaveFailed},
        {"contract", "KWATRIX-SMLOUVA.INI", ContractSaveFailed},
        {"INI value", "KALEND.INI", IniWriteFailed},
        {"calendar popup", "KALEND.INI", CalendarEditFailed},
    };
    return saves;
}

void WriteProgramFiles(const std::string& dir)
{
    std::ofstream(dir + "ROZ_DNEW.CFG", std::ios::binary) << demo::DayDivisionRecord();
    std::ofstream(dir + "KALEND.INI", std::ios::binary) << demo::CalendarText(2023, 2024);
    std::ofstream(dir + "KWATRIX-SMLOUVA.INI") << "[Zarizeni 0]\nCinnyBlok = 1\n";
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
        const std::string contract = ReadFile(programDir + "KWATRIX-SMLOUVA.INI");
        const std::vector<std::string> entries = Entries(programDir);
        ASSERT_EQ(cfg.size(), kw::DayDivision::RecordSize);
        for (const Save& save : Saves()) {
            SCOPED_TRACE(save.name);
            EXPECT_EQ(attempt(save), 0) << "the failure was not reported";
            EXPECT_EQ(ReadFile(programDir + "ROZ_DNEW.CFG"), cfg);
            EXPECT_EQ(ReadFile(programDir + "KALEND.INI"), ini);
            EXPECT_EQ(ReadFile(programDir + "KWATRIX-SMLOUVA.INI"), contract);
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

// ------------------------------------------- what the user had stays theirs

TEST_F(SafeSaves, WriteProtectedFileIsRefused)
{
    for (const Save& save : Saves()) {
        SCOPED_TRACE(save.name);
        const std::string path = dir.path() + save.file;
        const std::string before = ReadFile(path);
        ASSERT_EQ(chmod(path.c_str(), 0444), 0);
        EXPECT_TRUE(save.failed(dir.path()));
        EXPECT_EQ(ReadFile(path), before);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    }
}

TEST_F(SafeSaves, LinkIsFollowedToItsTarget)
{
    // The calendar shared by two program directories through a link.
    const std::string shared = dir.path() + "shared/";
    fs::create_directory(shared);
    for (const Save& save : Saves()) {
        SCOPED_TRACE(save.name);
        const std::string link = dir.path() + save.file;
        const std::string target = shared + save.file;
        if (!fs::is_symlink(link)) {
            fs::rename(link, target);
            fs::create_symlink(std::string("shared/") + save.file, link);
        }
        const std::string before = ReadFile(target);
        // Reported as failed only when the target could not be written.
        ASSERT_FALSE(save.failed(dir.path()) && ReadFile(target) == before);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_NE(ReadFile(target), before);
        for (const std::string& folder : {dir.path(), shared}) {
            for (const std::string& name : Entries(folder))
                EXPECT_EQ(name.find(".kwatrix-tmp-"), std::string::npos) << name;
        }
    }
}

TEST_F(SafeSaves, StaleTemporariesOfAKilledSaveAreRemovedAndNothingElse)
{
    // The calendar's save target lies behind a link, where its temporaries are.
    const std::string shared = dir.path() + "shared/";
    fs::create_directory(shared);
    fs::rename(dir.path() + "KALEND.INI", shared + "KALEND.INI");
    fs::create_symlink("shared/KALEND.INI", dir.path() + "KALEND.INI");
    struct Case {
        std::string path;
        bool removed;
        bool foreign = false; // another user's
    };
    const std::string t = ".kwatrix-tmp-";
    std::vector<Case> cases = {
        {shared + ".KALEND.INI" + t + "Ab12Cd", true},
        {dir.path() + ".ROZ_DNEW.CFG" + t + "x9Y8z7", true},
        {dir.path() + ".KALEND.INI" + t + "Ab12Cd", false},  // not beside the target
        {dir.path() + ".ROZ_DNEW.CFG" + t + "x9Y8z", false}, // not mkstemp's six
        {dir.path() + ".ROZ_DNEW.CFG" + t + "x9Y8z7a", false},
        {dir.path() + ".ROZ_DNEW.CFG" + t + "x9Y.z7", false},
        {dir.path() + ".ROZ_DNEW.CFX" + t + "x9Y8z7", false},
        {dir.path() + ".EL_24_03.DAT" + t + "x9Y8z7", false}, // a file of someone else's
        {shared + "KALEND.INI.tmp-backup", false},            // a person's own names
        {dir.path() + "ROZ_DNEW.CFG.tmp-x9Y8z7", false},
    };
    if (::geteuid() == 0)
        cases.push_back({dir.path() + ".ROZ_DNEW.CFG" + t + "nobody", false, true});
    const auto make = [&] {
        for (const Case& c : cases) {
            std::ofstream(c.path) << "partial";
            EXPECT_TRUE(!c.foreign || ::chown(c.path.c_str(), 65534, 65534) == 0);
        }
    };
    make();
    fs::create_directory(dir.path() + ".ROZ_DNEW.CFG" + t + "dir123");
    fs::create_symlink("ROZ_DNEW.CFG", dir.path() + ".ROZ_DNEW.CFG" + t + "lnk123");

    // While another copy holds the lock, its save may be under way.
    {
        const kw::FileLock other(dir.path() + "ROZ_DNEW.CFG");
        ASSERT_TRUE(other.locked());
        EXPECT_EQ(kw::RemoveStaleTemporaries(dir.path() + "ROZ_DNEW.CFG"), 0);
    }
    EXPECT_EQ(kw::RemoveStaleTemporaries(dir.path() + "KALEND.INI") +
                  kw::RemoveStaleTemporaries(dir.path() + "ROZ_DNEW.CFG"),
              2);
    for (const Case& c : cases)
        EXPECT_EQ(fs::exists(c.path), !c.removed) << c.path;
    EXPECT_TRUE(fs::is_directory(dir.path() + ".ROZ_DNEW.CFG" + t + "dir123"));
    EXPECT_TRUE(fs::is_symlink(dir.path() + ".ROZ_DNEW.CFG" + t + "lnk123"));
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), demo::DayDivisionRecord());

    // An export saved again takes the leftovers of its own killed save.
    make();
    EXPECT_TRUE(kw::SaveFile(dir.path() + "ROZ_DNEW.CFG", "new"));
    EXPECT_FALSE(fs::exists(dir.path() + ".ROZ_DNEW.CFG" + t + "x9Y8z7"));
    EXPECT_TRUE(fs::exists(dir.path() + ".ROZ_DNEW.CFG" + t + "x9Y8z"));
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), "new");
}

TEST_F(SafeSaves, DamagedDayDivisionIsKeptBeforeTheFirstSave)
{
    const std::string path = dir.path() + "ROZ_DNEW.CFG";
    std::string damaged = ReadFile(path);
    damaged[300] = static_cast<char>(damaged[300] ^ 0x5A);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;

    kw::DayDivision d;
    EXPECT_EQ(d.LoadDayDivision(dir.path()), kw::DayDivision::BadContent);
    d.SetGroupName(1, "Den");
    ASSERT_EQ(d.SaveDayDivision(dir.path()), 0);
    const std::string kept = fs::path(d.KeptCopyPath).filename().string();
    EXPECT_EQ(kept.rfind("ROZ_DNEW-poskozeny-", 0), 0u) << kept;
    EXPECT_EQ(kept.size(), std::string("ROZ_DNEW-poskozeny-20261208-101500.CFG").size()) << kept;
    EXPECT_EQ(ReadFile(d.KeptCopyPath), damaged);
    kw::DayDivision saved;
    EXPECT_EQ(saved.LoadDayDivision(dir.path()), 0);
    EXPECT_EQ(saved.GroupName(1), "Den");

    // Kept once: later saves replace only their own file.
    ASSERT_EQ(d.SaveDayDivision(dir.path()), 0);
    EXPECT_TRUE(d.KeptCopyPath.empty());
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"KALEND.INI", "KWATRIX-SMLOUVA.INI",
                                                             kept, "ROZ_DNEW.CFG"}));
}

TEST_F(SafeSaves, DayDivisionChangedByAnotherCopyIsOverwrittenOnlyWhenConfirmed)
{
    kw::DayDivision a, b;
    ASSERT_EQ(a.LoadDayDivision(dir.path()), 0);
    ASSERT_EQ(b.LoadDayDivision(dir.path()), 0);
    a.SetGroupName(1, "A");
    ASSERT_EQ(a.SaveDayDivision(dir.path()), 0);
    const std::string afterA = ReadFile(dir.path() + "ROZ_DNEW.CFG");

    b.SetGroupName(2, "B");
    EXPECT_EQ(b.SaveDayDivision(dir.path()), kw::DayDivision::ChangedOnDisk);
    EXPECT_EQ(ReadFile(dir.path() + "ROZ_DNEW.CFG"), afterA);
    EXPECT_EQ(b.SaveDayDivision(dir.path(), true), 0);
    kw::DayDivision check;
    ASSERT_EQ(check.LoadDayDivision(dir.path()), 0);
    EXPECT_EQ(check.GroupName(2), "B");
    // Its own save is no change by another.
    b.SetGroupName(3, "C");
    EXPECT_EQ(b.SaveDayDivision(dir.path()), 0);
}

// Two running copies of the program, each with the month loaded before the
// other's edit: the second edit is decided on the file as it is now.
struct TwoCopies {
    kw::IniLayer iniA, iniB;
    kw::Calendar a{iniA}, b{iniB};

    explicit TwoCopies(const std::string& dir)
    {
        for (kw::Calendar* cal : {&a, &b}) {
            cal->setProgramPath(dir);
            cal->SelectionMode = false;
            cal->LoadCalendarMonth(2024, 1, "");
        }
    }
};

std::string Value(const std::string& file, const std::string& key)
{
    kw::IniLayer ini;
    return ini.ReadIniValue(file, "2024", key) == 1 ? ini.IniValue : "<none>";
}

TEST_F(SafeSaves, TwoCopiesNeverWriteOverEachOthersCalendarEdits)
{
    const std::string file = dir.path() + "KALEND.INI";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "[2024]\r\n15.1=E\r\n";
    {
        // A makes the energy-month end a rest day; B, still seeing a plain
        // Monday, clears the energy-month end: the rest day stays.
        TwoCopies copies(dir.path());
        copies.a.ClickDay("[15]");
        ASSERT_TRUE(copies.a.PopupAction(kw::PopupItem::N));
        copies.b.ClickDay("[15]");
        ASSERT_TRUE(copies.b.PopupAction(kw::PopupItem::ZKEM));
        EXPECT_EQ(Value(file, "15.1"), "N");
        EXPECT_EQ(copies.b.DayType(15), kw::ExplicitRestDay);
    }
    {
        // One energy-month end per month, whoever sets it first.
        TwoCopies copies(dir.path());
        copies.a.ClickDay("10");
        ASSERT_TRUE(copies.a.PopupAction(kw::PopupItem::KEM));
        copies.b.ClickDay("20");
        EXPECT_FALSE(copies.b.PopupAction(kw::PopupItem::KEM));
        EXPECT_EQ(Value(file, "10.1"), "E");
        EXPECT_EQ(Value(file, "20.1"), "<none>");
        EXPECT_EQ(copies.b.KemDay, 10);
    }
}

TEST_F(SafeSaves, HeldLockIsWaitedForOncePerContentionAndSaidAsLocked)
{
    kw::IniLayer ini;
    ini.lockPatience.patience = std::chrono::milliseconds(200);
    int waits = 0;
    ini.lockPatience.waiting = [&waits](bool starts) { waits += starts ? 1 : 0; };
    const auto save = [&] { ini.WriteIniValue(dir.path() + "KALEND.INI", "2031", "1.1", "N"); };
    for (int round = 1; round <= 2; ++round) {
        {
            const kw::FileLock other(dir.path() + "KALEND.INI");
            for (int month = 0; month < 3; ++month) {
                try {
                    save();
                    ADD_FAILURE() << "saved under another copy's lock";
                } catch (const kw::UserActionError& e) {
                    EXPECT_NE(std::string(e.what()).find("soubor je zamčen"), std::string::npos);
                }
            }
        }
        EXPECT_EQ(waits, round);
        EXPECT_NO_THROW(save());
    }
}

TEST_F(SafeSaves, ParallelWritersKeepEveryKey)
{
    const std::string file = dir.path() + "KALEND.INI";
    constexpr int Keys = 30;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            kw::IniLayer ini;
            for (int i = 0; i < Keys; ++i)
                ini.WriteIniValue(file, "2030", std::to_string(writer) + "." + std::to_string(i),
                                  "N");
            std::_Exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    kw::IniLayer ini;
    EXPECT_EQ(ini.ReadIniValue(file, "2030", ""), 2 * Keys);
}

TEST_F(SafeSaves, TemplateIsCopiedWholeSkippingWhatCannotBeStored)
{
    const std::string file = dir.path() + "KALEND.INI";
    // "[x=N" reads as a key but cannot be written back as one.
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << "[1980]\r\n1.1=N\r\n[x=N\r\n24.12=N\r\n25.12=N\r\n";
    ErrorLog log;
    kw::IniLayer ini;
    kw::Calendar cal(ini, &log.log);
    cal.setProgramPath(dir.path());
    EXPECT_NO_THROW(cal.LoadCalendarMonth(2031, 12, ""));
    EXPECT_EQ(cal.DayType(24), kw::ExplicitRestDay);
    EXPECT_EQ(cal.DayType(25), kw::ExplicitRestDay);
    EXPECT_EQ(ini.ReadIniValue(file, "2031", ""), 3);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_NE(log.errors[0].find("[x=N"), std::string::npos) << log.errors[0];
}

} // namespace
