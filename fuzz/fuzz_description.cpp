// An archive description of arbitrary text: loaded, parsed in both modes,
// its revisions read, and every block it declares used the way a listing
// uses it, on day data of a real month file.
#include "FuzzSupport.h"

#include "listing/Engine.h"
#include "tools/DemoArchive.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

const std::string& ProgramDir()
{
    static const std::string dir = [] {
        namespace demo = kw::demo;
        const std::string d = kwfuzz::ScratchDir();
        demo::DemoOptions options;
        options.devices = {0};
        options.lastDay = {2024, 3, 31};
        options.months = 1;
        options.olderMonths = 0;
        kwfuzz::WriteFile(d + demo::MonthFileName(0, 2024, 3),
                          demo::SerializeMonthFile(demo::BuildMonthImage(options, 0, 2024, 3)));
        return d;
    }();
    return dir;
}

void CheckText(const std::string& text, std::size_t capacity, const char* what)
{
    kwfuzz::Check(kwfuzz::IsUtf8(text), what);
    kwfuzz::Check(kwfuzz::Utf8Length(text) <= capacity, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& dir = ProgramDir();
    const std::string path = dir + kw::demo::DescriptionFileName(0);
    kwfuzz::WriteFile(path, data, size);

    kwfuzz::QuietUi ui;
    kw::Engine engine(ui);
    engine.setProgramPath(dir);
    engine.Location.DeviceNo = 0;
    kw::CountingOutputTarget out;
    engine.output.setTarget(&out);

    kw::ArchiveDescription& desc = engine.description;
    desc.LoadArchiveDescription(dir, 0);
    desc.ParseArchiveDescription(1, path);
    uint16_t plc = 0, ini = 0;
    desc.FileRevisions(path, plc, ini);
    desc.ReadRevisions(path);
    desc.ParseArchiveDescription(0, path);

    kwfuzz::Check(desc.BlockCount >= 0 && desc.BlockCount <= kw::ArchiveDescription::MaxBlocks,
                  "block count");
    kwfuzz::Check(desc.CurrentBlock >= 0 && desc.CurrentBlock <= desc.BlockCount, "current block");
    for (int32_t b = 1; b <= desc.BlockCount; ++b) {
        const kw::BlockDescription& block = desc.BlockTable[static_cast<std::size_t>(b)];
        CheckText(block.SectionName, 32, "section name");
        CheckText(block.Description, 64, "description");
        CheckText(block.Format, 128, "format");
        CheckText(block.Unit, 16, "unit");
        CheckText(block.ExportName, 16, "export name");
        for (const std::string* item : {&block.DayItem, &block.HourItem, &block.MinuteItem,
                                        &block.SecondItem, &block.ValueItem})
            CheckText(*item, 8, "item descriptor");
    }

    // Offsets, lengths and counts from the description against the day
    // buffer: every decode must stay inside it.
    for (std::size_t i = 0; i < engine.archive.DayData.size(); ++i)
        engine.archive.DayData[i] = static_cast<uint8_t>(i * 7 + 3);
    for (int32_t b = 1; b <= desc.BlockCount; ++b) {
        const kw::BlockDescription& block = desc.BlockTable[static_cast<std::size_t>(b)];
        for (int64_t n = 0; n < block.RecordCount && n < 600; ++n) {
            const int64_t start = int64_t(block.Start) + n * int64_t(block.Length);
            for (const std::string* item : {&block.DayItem, &block.HourItem, &block.MinuteItem,
                                            &block.SecondItem, &block.ValueItem})
                kw::DecodeItem(*item, engine.archive, start);
        }
    }
    engine.archive.ListDayRecord(4);

    // A real day listed through the fuzzed blocks in every display mode.
    for (int32_t mode = 0; mode <= 4; ++mode) {
        engine.settings.DisplayMode = mode;
        desc.CurrentBlock = desc.BlockCount > 0 ? 1 + mode % desc.BlockCount : 0;
        engine.dayListing.ListDay(2024, 3, 10 + mode, mode == 2 ? 3600 : 0);
    }
    return 0;
}
