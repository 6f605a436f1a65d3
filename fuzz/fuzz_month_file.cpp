// A month file from the controller, read in every mode of ReadDayRecord and
// listed day by day in every display mode.
#include "FuzzSupport.h"

#include "listing/Engine.h"
#include "tools/DemoArchive.h"

#include <cstddef>
#include <cstdint>

namespace {

const std::string& ProgramDir()
{
    // The descriptions of the demo's device 0, current and older, so that
    // records of either revision decode and the description switch runs.
    static const std::string dir = [] {
        const std::string d = kwfuzz::ScratchDir();
        namespace demo = kw::demo;
        kwfuzz::WriteFile(d + demo::DescriptionFileName(0),
                          demo::DescriptionText(demo::CurrentDescription(0, 100)));
        const demo::DemoDescription older = demo::OlderDescription(100);
        kwfuzz::WriteFile(
            d + demo::AltDescriptionFileName(0, older.plcRevision(), older.iniRevision),
            demo::DescriptionText(older));
        kwfuzz::WriteFile(d + "KALEND.INI", demo::CalendarText(2024, 2024));
        return d;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& dir = ProgramDir();
    kwfuzz::QuietUi ui;
    kw::Engine engine(ui);
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 0;
    kw::CountingOutputTarget out;
    engine.output.setTarget(&out);
    engine.description.LoadArchiveDescription(dir, 0);
    engine.calendar.LoadCalendarMonth(2024, 3, "");

    const std::string name = engine.archive.MonthFileName(2024, 3);
    kwfuzz::WriteFile(dir + name, data, size);

    using kw::DayArchive;
    engine.archive.ReadDayRecord(DayArchive::DirectoryListingMode, name, 4);
    for (int32_t entry = DayArchive::LatestEntry; entry <= DayArchive::EntryCount; ++entry)
        engine.archive.ReadDayRecord(DayArchive::RawListingMode(entry), name, 1 + entry % 5);
    for (int32_t entry = 0; entry <= DayArchive::EntryCount; ++entry) {
        const int32_t result =
            engine.archive.ReadDayRecord(DayArchive::SilentReadMode(entry), name, 0);
        kwfuzz::Check(result <= 0 && result >= DayArchive::NoFittingDescription,
                      "ReadDayRecord result out of range");
    }

    // Display modes with a block each, a conversion setting and a day start
    // offset, over the first, a middle and the last days of the month.
    static const int32_t offsets[] = {0, 900, -3600, 43200, -42300};
    for (int32_t mode = 0; mode <= 4; ++mode) {
        engine.settings.DisplayMode = mode;
        engine.settings.ConvertValues = mode % 2 == 0;
        const int32_t blocks = engine.description.BlockCount;
        engine.description.CurrentBlock = blocks > 0 ? 1 + mode % blocks : 0;
        for (const int32_t day : {1 + mode * 7, 31 - mode}) {
            const int32_t result = engine.dayListing.ListDay(2024, 3, day, offsets[mode]);
            kwfuzz::Check(result <= 0 && result >= -6, "ListDay result out of range");
        }
    }
    kwfuzz::Check(out.lines() < 1000000, "runaway listing");
    return 0;
}
