#include "listing/SumTables.h"

#include "archive/Codepage.h"
#include "archive/NumberFormat.h"
#include "calendar/DayDivision.h"
#include "output/Output.h"

namespace kw {

namespace {

int32_t GroupWidth(uint16_t options)
{
    return ((options & DayDivision::ShowCount) ? 8 : 0) +
           ((options & DayDivision::ShowAverage) ? 8 : 0) +
           ((options & DayDivision::ShowMaximum) ? 12 : 0) +
           ((options & DayDivision::ShowSum) ? 8 : 0);
}

} // namespace

std::string GroupHeaderCell(const std::string& name, int32_t width)
{
    const std::size_t cell = static_cast<std::size_t>(width) + 1;
    std::string text = Utf8Left(name, cell);
    while (Utf8Length(text) < cell)
        text = " " + text + " ";
    if (Utf8Length(text) > cell)
        text = Utf8Left(text, cell);
    return text + " ";
}

SumTables::SumTables(const DayDivision& division, Output& output)
    : m_division(division), m_out(output)
{}

void SumTables::WriteFixed(int32_t width, int32_t decimals, double x)
{
    m_out.WriteOutput(FormatFixed(width, decimals, x));
}

void SumTables::WriteDaySums(int32_t part)
{
    m_out.SetOutputStyle(1);
    if (part == 0) {
        m_out.WriteOutputLine("");
        m_out.WriteOutput("dle skupin ");
        for (int32_t g = 1; g <= 16; ++g) {
            const std::string name = m_division.GroupName(g);
            if (!name.empty())
                m_out.WriteOutput(
                    GroupHeaderCell(name, GroupWidth(m_division.GroupOutputOptions(g))));
        }
        m_out.WriteOutputLine("");
        m_out.SetOutputStyle(3);
        m_out.WriteOutput(std::string(11, ' '));
        for (int32_t g = 1; g <= 16; ++g) {
            if (m_division.GroupName(g).empty())
                continue;
            const uint16_t options = m_division.GroupOutputOptions(g);
            if (options & DayDivision::ShowCount)
                m_out.WriteOutput("   1/4 h");
            if (options & DayDivision::ShowAverage)
                m_out.WriteOutput("  Průměr");
            if (options & DayDivision::ShowMaximum)
                m_out.WriteOutput("         Max");
            if (options & DayDivision::ShowSum)
                m_out.WriteOutput("  Součet");
            m_out.WriteOutput("  ");
        }
        m_out.WriteOutputLine("");
    }
    m_out.SetOutputStyle(0);
    if (part == 1) {
        m_out.WriteOutput("   ");
        for (int32_t g = 1; g <= 16; ++g) {
            if (m_division.GroupName(g).empty())
                continue;
            const uint16_t options = m_division.GroupOutputOptions(g);
            if (options & DayDivision::ShowCount)
                WriteFixed(8, 0, m_division.GroupCount(g));
            if (options & DayDivision::ShowAverage)
                WriteFixed(8, 1, m_division.GroupAverage(g));
            if (options & DayDivision::ShowMaximum) {
                WriteFixed(8, 1, m_division.GroupMaximum(g));
                const int16_t q = m_division.GroupMaximumQuarterHour(g);
                m_out.WriteOutput(q == -1 ? std::string("    ") : "[" + FormatInt(q, 2) + "]");
            }
            if (options & DayDivision::ShowSum) {
                const float sum = m_division.GroupSum(g);
                WriteFixed(8, sum >= 100000.0f ? 0 : 1, sum);
            }
            m_out.WriteOutput("  ");
        }
        m_out.WriteOutputLine("");
    }
}

void SumTables::WritePeriodSums()
{
    const uint8_t options = m_division.SumOptions();
    m_out.SetOutputStyle(3);
    std::string header = "    Součet dle skupin              ";
    if (options & DayDivision::ShowCount)
        header += "      1/4h";
    if (options & DayDivision::ShowAverage)
        header += "    Průměr";
    if (options & DayDivision::ShowMaximum)
        header += "       Max          ";
    if (options & DayDivision::ShowSum)
        header += "    Součet";
    m_out.WriteOutput(header);
    m_out.WriteOutputLine("");
    m_out.SetOutputStyle(0);

    int32_t pendingEmpty = 0;
    for (int32_t s = 1; s <= 16; ++s) {
        const std::string name = m_division.OutputSumName(s);
        if (name.empty()) {
            ++pendingEmpty;
            continue;
        }
        for (; pendingEmpty > 0; --pendingEmpty)
            m_out.WriteOutputLine("");
        std::string padded = name;
        const std::size_t chars = Utf8Length(name);
        if (chars < 35)
            padded.append(35 - chars, ' ');
        m_out.WriteOutput(padded);
        if (options & DayDivision::ShowCount)
            WriteFixed(10, 0, m_division.OutputSumCount(s));
        if (options & DayDivision::ShowAverage)
            WriteFixed(10, 1, m_division.OutputSumAverage(s));
        if (options & DayDivision::ShowMaximum) {
            WriteFixed(10, 1, m_division.OutputSumMaximum(s));
            const int32_t p = m_division.OutputSumPosition(s);
            if (p >= 0)
                m_out.WriteOutput(" [" + FormatInt(p / 100, 2) + "-" + FormatInt(p % 100 / 4, 2) +
                                  "/" + FormatInt(p % 4 + 1, 1) + "]");
            else
                m_out.WriteOutput(std::string(10, ' '));
        }
        if (options & DayDivision::ShowSum)
            WriteFixed(10, 0, m_division.OutputSumSum(s));
        m_out.WriteOutputLine("");
    }
}

} // namespace kw
