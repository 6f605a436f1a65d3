#include "listing/DayListing.h"

#include "archive/ArchiveDescription.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/MonthFile.h"
#include "archive/NumberFormat.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "graph/Graph.h"
#include "graph/Series.h"
#include "output/Log.h"
#include "output/Output.h"

#include <cmath>

namespace kw {

namespace {

// A constant's digits up to the first other character: decimal, or "$" and
// hexadecimal; cut to 16 bits.
uint16_t Constant(const std::string& text)
{
    uint32_t value = 0;
    std::size_t i = 0;
    const bool hex = !text.empty() && text[0] == '$';
    if (hex)
        i = 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit =
            (c >= '0' && c <= '9') || (hex && ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')));
        if (!digit)
            break;
        value = (value * (hex ? 16u : 10u) + static_cast<uint32_t>(HexDigit(c))) & 0xFFFFu;
    }
    return static_cast<uint16_t>(value);
}

} // namespace

ItemCode CompileItem(const std::string& item)
{
    ItemCode code;
    if (item.empty())
        return code;
    const char kind = item[0];
    if (kind == 'K') {
        code.kind = kind;
        code.constant = Constant(item.substr(1));
    } else if (kind == 'W' || kind == 'H' || kind == 'L') {
        code.kind = kind;
        code.offset = item.size() > 1 ? HexDigit(item[1]) : 0;
        code.encoding = item.size() > 2 ? item[2] : '\0';
    }
    return code;
}

uint16_t DecodeItem(const ItemCode& code, const DayArchive& archive, int64_t recordStart)
{
    if (code.kind == 'K')
        return code.constant;
    if (code.kind == 0)
        return 0;
    const char encoding = code.encoding;
    const uint16_t w = archive.Word(recordStart + code.offset);
    uint16_t value;
    if (code.kind == 'W') {
        value = w;
        if (encoding == 'S' || encoding == 'I')
            value = static_cast<uint16_t>((w >> 8) | (w << 8));
        if (encoding == 'B' || encoding == 'I')
            value = static_cast<uint16_t>(BcdToInt(value));
        return value;
    }
    value = code.kind == 'H' ? static_cast<uint16_t>(w >> 8) : static_cast<uint16_t>(w & 0xFF);
    if (encoding == 'B')
        value = static_cast<uint16_t>(BcdToInt(value));
    return value;
}

uint16_t DecodeItem(const std::string& item, const DayArchive& archive, int64_t recordStart)
{
    return DecodeItem(CompileItem(item), archive, recordStart);
}

DayListing::DayListing(ArchiveDescription& description, DayArchive& archive, Calendar& calendar,
                       DayDivision& division, Graph& graph, Output& output, Log& log,
                       const ListingSettings& settings)
    : m_desc(description), m_archive(archive), m_calendar(calendar), m_division(division),
      m_graph(graph), m_out(output), m_log(log), m_settings(settings)
{}

uint16_t DayListing::ReadItem(int32_t recordNumber, Item item) const
{
    const BlockDescription* block = m_desc.currentBlock();
    if (!block)
        return 0;
    const std::string* text = nullptr;
    switch (item) {
    case Item::Day:
        text = &block->DayItem;
        break;
    case Item::Hour:
        text = &block->HourItem;
        break;
    case Item::Minute:
        text = &block->MinuteItem;
        break;
    case Item::Second:
        text = &block->SecondItem;
        break;
    case Item::Value:
        text = &block->ValueItem;
        break;
    }
    if (!text)
        return 0;
    const int64_t start = int64_t(block->Start) + int64_t(recordNumber) * int64_t(block->Length);
    return DecodeItem(*text, m_archive, start);
}

float DayListing::DisplayMultiplier() const
{
    const BlockDescription* block = m_desc.currentBlock();
    if (!m_settings.ConvertValues || !block)
        return 1.0f;
    switch (block->DisplayMode) {
    case 0:
        return 4.0f;
    case 3:
        return 1.0f / 24.0f;
    default:
        return 1.0f;
    }
}

std::string DayListing::UnitText() const
{
    const BlockDescription* block = m_desc.currentBlock();
    if (!m_settings.ConvertValues)
        return " imp";
    return Utf8Left(" " + (block ? block->Unit : std::string()), 12);
}

void DayListing::Interpret(int32_t year, int32_t month, int32_t sourceEntry, int64_t dayStart,
                           int32_t limit, int32_t& earliest, Table& table)
{
    const BlockDescription* block = m_desc.currentBlock();
    if (!block)
        return;
    const float factor = m_settings.ConvertValues ? block->Multiplier : 1.0f;
    const int64_t records = BlockRecordsToWalk(*block);
    const ItemCode dayItem = CompileItem(block->DayItem), hourItem = CompileItem(block->HourItem),
                   minuteItem = CompileItem(block->MinuteItem),
                   secondItem = CompileItem(block->SecondItem),
                   valueItem = CompileItem(block->ValueItem);
    for (int32_t n = 0; n < records; ++n) {
        const int64_t start = int64_t(block->Start) + int64_t(n) * int64_t(block->Length);
        const int32_t d = DecodeItem(dayItem, m_archive, start);
        if (d == 0)
            continue;
        int32_t y = year, m = month;
        if (sourceEntry < 10 && d > 20) {
            if (--m == 0) {
                m = 12;
                --y;
            }
        } else if (sourceEntry == 32 && d < 10) {
            if (++m == 13) {
                m = 1;
                ++y;
            }
        }
        const int64_t t = DateTimeToWholeSeconds(y, m, d, DecodeItem(hourItem, m_archive, start),
                                                 DecodeItem(minuteItem, m_archive, start),
                                                 DecodeItem(secondItem, m_archive, start));
        if (t == 0) {
            m_log.WriteLog(true, "Chyba interpretace času - den: " + std::to_string(sourceEntry) +
                                     " záznam: " + std::to_string(n));
        }
        const int32_t q = ListingQuarter(t, dayStart);
        if (q < 0 || q > limit)
            continue;
        if (q - 1 < earliest)
            earliest = q - 1;
        for (Slot& slot : table[q]) {
            if (!slot.filled) {
                slot.filled = true;
                slot.value = static_cast<float>(DecodeItem(valueItem, m_archive, start)) * factor;
                slot.stamp = t;
                break;
            }
        }
    }
}

int32_t DayListing::ListDay(int32_t year, int32_t month, int32_t day, int32_t dayStartOffset)
{
    const BlockDescription* block = m_desc.currentBlock();
    const int32_t offsetQuarters = static_cast<int32_t>(std::lround(dayStartOffset / 900.0));
    Table table{};
    const int64_t dayStart = DateTimeToWholeSeconds(year, month, day, 0, 0, 0) + dayStartOffset;
    int32_t earliest = 95;

    // Pass A: the records written after the day hold most of it.
    int32_t source = 0;
    const int32_t daysAhead = block ? block->DaysAhead : 0;
    for (int32_t e = day + 1; e <= 32 && (e == day + 1 || e <= int64_t(day) + daysAhead); ++e) {
        if (m_archive.ReadDay(year, month, e) == 0) {
            source = e;
            break;
        }
    }
    if (source != 0)
        Interpret(year, month, source, dayStart, 95, earliest, table);

    // Pass B: the day's own record, for what pass A left empty at the start.
    if (source == 0 || earliest >= 0) {
        const int32_t own = m_archive.ReadDay(year, month, day);
        if (own != 0) {
            if (source == 0)
                return own;
        } else {
            const int32_t limit = source == 0 ? 95 : earliest;
            if (source == 0)
                source = day;
            Interpret(year, month, source, dayStart, limit, earliest, table);
        }
    }

    // The factors come from the block as it stands after the reads, which may
    // have switched descriptions.
    const int32_t mode = m_valuesOnly ? 4 : m_settings.DisplayMode;
    const float multiplier = DisplayMultiplier();
    const std::string unit = UnitText();
    const int32_t dayClass = m_valuesOnly ? 0 : m_calendar.DayType(day) % 10;
    const auto dayNumber =
        static_cast<int64_t>(DateTimeToSeconds(year, month, day, 0, 0, 0) / 86400);
    long double t = dayStart;
    for (int32_t h = 0; h < 24; ++h) {
        float hourSum = 0.0f;
        if (mode == 0 || mode == 1 || (mode == 2 && h % 4 == 0)) {
            const DateTimeParts p = SecondsToDateTime(t);
            m_out.WriteOutput("[" + FormatInt(p.hour, 2) + ":" + FormatInt(p.minute, 2) + "] ");
        }
        for (int32_t j = 0; j < 4; ++j) {
            const int32_t q = 4 * h + j;
            t += 900;
            const int32_t clock = (q + offsetQuarters + 96) % 96;
            float quarterSum = 0.0f;
            for (int32_t k = 0; k < 4; ++k) {
                const Slot& slot = table[q][k];
                if (slot.filled) {
                    float v = slot.value;
                    // Beyond single precision it would list as INF and reach
                    // the sums, the graph and the exports as no number.
                    if (!std::isfinite(v * multiplier)) {
                        v = 0.0f;
                        m_desc.ReportOverflowingValue();
                    }
                    const float shown = m_settings.ConvertValues ? v * multiplier : v;
                    if (k < 2 && mode == 0)
                        m_out.WriteOutput(FormatReal(6, 5, -1, shown));
                    quarterSum += v;
                    if (!m_valuesOnly) {
                        m_division.AccumulateQuarterHour(day, dayClass, clock, multiplier, v);
                        m_graph.AddGraphBar(
                            static_cast<double>(static_cast<long double>(slot.stamp) / 86400),
                            static_cast<double>(v * multiplier));
                    }
                    if (m_series)
                        m_series->Add(dayNumber, q, slot.stamp, v, v * multiplier);
                } else if (k < 2 && mode == 0) {
                    m_out.WriteOutput("      ");
                }
            }
            hourSum += quarterSum;
            if (mode == 0)
                m_out.WriteOutput("|");
        }
        if (mode == 0)
            m_out.WriteOutput("S ");
        if (mode < 3) {
            m_out.WriteOutput(FormatReal(6, 6, -1, hourSum));
            m_out.WriteOutput(unit);
            if (mode == 2 && (h + 1) % 4 != 0)
                m_out.WriteOutput(" | ");
            else
                m_out.WriteOutputLine("");
        }
    }
    return 0;
}

} // namespace kw
