// ROZ_DNEW.CFG of arbitrary contents through LoadDayDivision; then the same
// bytes made into a record that must load, whose groups and sums take a month
// of quarter-hours and are printed, and which saves back byte for byte.
#include "FuzzSupport.h"

#include "calendar/DayDivision.h"
#include "listing/SumTables.h"
#include "output/Log.h"
#include "output/Output.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Exercise(kw::DayDivision& division)
{
    for (int32_t g = 0; g <= 17; ++g) {
        kwfuzz::Check(kwfuzz::IsUtf8(division.GroupName(g)), "group name");
        kwfuzz::Check(kwfuzz::Utf8Length(division.GroupName(g)) <= 32, "group name length");
        kwfuzz::Check(kwfuzz::IsUtf8(division.OutputSumName(g)), "output sum name");
        kwfuzz::Check(kwfuzz::Utf8Length(division.OutputSumName(g)) <= 255, "sum name length");
        for (int32_t k = 0; k < 3; ++k)
            division.OutputSumGroups(g, k);
    }
    kwfuzz::Check(kwfuzz::IsUtf8(division.FileName()), "file name");

    kw::Output output;
    kw::CountingOutputTarget target;
    output.setTarget(&target);
    kw::SumTables sums(division, output);
    division.InitDayDivision(1);
    for (int32_t day = 1; day <= 3; ++day) {
        division.InitDayDivision(2);
        for (int32_t q = 0; q < kw::DayDivision::NumQuarterHours; ++q)
            division.AccumulateQuarterHour(day, day % 3, q, 0.25f,
                                           static_cast<float>((q * 37 + day) % 101));
        sums.WriteDaySums(0);
        sums.WriteDaySums(1);
    }
    sums.WritePeriodSums();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kwfuzz::ClearScratch();
    const std::string dir = kwfuzz::ScratchDir();
    const std::string path = dir + kw::DayDivision::DefaultFileName;
    kwfuzz::WriteFile(path, data, size);

    kw::DayDivision division;
    const kw::DayDivision::Bytes defaults = division.bytes();
    kw::Log log;
    log.setSink([](const std::string&, bool) {});
    const int32_t result = division.StartDayDivision(dir, log);
    if (result == 0) {
        kwfuzz::Check(size == kw::DayDivision::RecordSize &&
                          std::equal(division.bytes().begin(), division.bytes().end(), data),
                      "loaded record differs from the file");
    } else {
        kwfuzz::Check(division.bytes() == defaults, "a failed load changed the record");
    }
    Exercise(division);

    // The input as a record with a right size field and checksum.
    kw::DayDivision::Bytes record{};
    std::copy_n(data, std::min(size, record.size()), record.begin());
    record[0] = kw::DayDivision::RecordSize & 0xFF;
    record[1] = kw::DayDivision::RecordSize >> 8;
    // The save goes to the name stored in the record: keep it at home.
    const std::string name = kw::DayDivision::DefaultFileName;
    record[4] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), record.begin() + 5);
    kw::DayDivision::UpdateChecksum(record);
    kwfuzz::WriteFile(path, record.data(), record.size());
    kw::DayDivision loaded;
    kwfuzz::Check(loaded.LoadDayDivision(dir) == 0, "a well-formed record did not load");
    kwfuzz::Check(loaded.bytes() == record, "loaded record differs from the file");
    kwfuzz::Check(loaded.SaveDayDivision(dir) == 0, "save failed");
    const std::string saved = kwfuzz::ReadFile(path);
    kwfuzz::Check(saved.size() == record.size() &&
                      std::equal(record.begin(), record.end(),
                                 reinterpret_cast<const uint8_t*>(saved.data())),
                  "save changed the record");
    Exercise(loaded);
    return 0;
}
