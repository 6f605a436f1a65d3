// Every reader of outside input meets, under its file's name, a FIFO, a
// directory, a device and a file far larger than any of its kind: each is
// "cannot open" in that reader's own terms, at once, never a hang and never
// unbounded memory.
#include "archive/Errors.h"
#include "listing/Engine.h"
#include "listing/PeriodTree.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct NoUi : kw::ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

struct Reader {
    const char* name;
    const char* file;
    // True when the reader took the file for one it cannot open.
    std::function<bool(const std::string& dir)> cannotOpen;
};

const char* const Description = "[BLOCK]\r\nA=1\r\n[REV]\r\nREV_PLC=1\r\nREV_INI=1\r\n"
                                "[A]\r\nPOPIS=Test\r\nVYPIS=ON\r\n";

const std::vector<Reader>& Readers()
{
    static const std::vector<Reader> readers = {
        {"month file", "EL_24_03.DAT",
         [](const std::string& dir) {
             NoUi ui;
             kw::Engine engine(ui);
             engine.setProgramPath(dir);
             engine.Location.DeviceNo = 0;
             return engine.archive.ReadDayRecord(201, "EL_24_03.DAT", 0) == -1;
         }},
        {"listing tree", "EL_24_03.DAT",
         [](const std::string& dir) {
             const kw::ListingTreeContent tree = kw::ReadListingTree(dir + "EL_24_03.DAT", 2024, 3);
             return !tree.validFile && tree.ioError.empty();
         }},
        {"archive description", "D0LARCH.INI",
         [](const std::string& dir) {
             NoUi ui;
             kw::Engine engine(ui);
             try {
                 engine.description.LoadArchiveDescription(dir, 0);
             } catch (const kw::UserActionError&) {
                 return !engine.description.ArchiveLoaded;
             }
             return false;
         }},
        {"calendar", "KALEND.INI",
         [](const std::string& dir) {
             NoUi ui;
             kw::Engine engine(ui);
             engine.setProgramPath(dir);
             try {
                 engine.calendar.LoadCalendarMonth(2024, 3, "");
                 return false;
             } catch (const kw::UserActionError&) {
             }
             return engine.calendar.KemDay == 0 && engine.calendar.DayType(4) == kw::WorkingDay;
         }},
        {"day division", "ROZ_DNEW.CFG",
         [](const std::string& dir) {
             kw::DayDivision d;
             return d.LoadDayDivision(dir) != 0 && d.bytes() == kw::DayDivision().bytes();
         }},
    };
    return readers;
}

struct Kind {
    const char* name;
    std::function<bool(const std::string& path)> make;
};

const std::vector<Kind>& Kinds()
{
    static const std::vector<Kind> kinds = {
        {"FIFO", [](const std::string& p) { return ::mkfifo(p.c_str(), 0600) == 0; }},
        {"directory", [](const std::string& p) { return ::mkdir(p.c_str(), 0700) == 0; }},
        {"device", [](const std::string& p) { return ::symlink("/dev/zero", p.c_str()) == 0; }},
        {"huge file",
         [](const std::string& p) {
             // Sparse: 300 MB that take no room.
             const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
             const bool ok = fd >= 0 && ::ftruncate(fd, 300L * 1024 * 1024) == 0;
             if (fd >= 0)
                 ::close(fd);
             return ok;
         }},
    };
    return kinds;
}

TEST(SpecialInputs, AreFilesThatCannotBeOpened)
{
    for (const Reader& reader : Readers()) {
        for (const Kind& kind : Kinds()) {
            SCOPED_TRACE(std::string(reader.name) + ", " + kind.name);
            kwtest::TempDir dir;
            // Everything else of a program directory is there and good.
            if (std::string(reader.file) != "D0LARCH.INI")
                dir.write("D0LARCH.INI", Description);
            ASSERT_TRUE(kind.make(dir.path() + reader.file));
            // In a child that a hang cannot take down with the whole suite.
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                alarm(10);
                std::_Exit(reader.cannotOpen(dir.path()) ? 0 : 1);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status)) << "hung or crashed";
            EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
        }
    }
}

} // namespace
