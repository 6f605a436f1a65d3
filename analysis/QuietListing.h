#pragma once

#include "graph/Graph.h"
#include "graph/Series.h"
#include "listing/DayListing.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kw {

class Engine;
class ListingRun;

// Listings made on an engine of their own, for what the analyses need beside
// the listing on screen: the bars of other months and periods, exactly as a
// listing in the program would put them into the graph, while the program's
// output, graph, calendar and listing state stay as they are.
class QuietListing {
public:
    // The archive of `programPath` (ending in '/') for `device`, with the
    // settings that shape the values: conversion and the day start offset.
    QuietListing(const std::string& programPath, int32_t device, const ListingSettings& settings,
                 int32_t dayStartOffset);
    ~QuietListing();
    QuietListing(const QuietListing&) = delete;
    QuietListing& operator=(const QuietListing&) = delete;

    // The archive description loaded; without it nothing can be listed.
    bool loaded() const;

    // The bars of one listing of `block` in year/month: `command` runs it on
    // the listing run (e.g. MonthAction(ListingRun::WholeMonth)). A listing
    // that cannot run (a missing energy-month end, an I/O error) gives no bars;
    // an error that ended it is then in lastError().
    std::vector<GraphBar> List(int32_t year, int32_t month, int32_t block,
                               const std::function<void(ListingRun&)>& command);
    std::vector<GraphBar> WholeMonth(int32_t year, int32_t month, int32_t block);
    // The series of the last List, and of one whole-month listing.
    const Series& series() const;
    Series WholeMonthSeries(int32_t year, int32_t month, int32_t block);
    // The series of a calendar month, read straight from its month file:
    // every day from midnight, whatever the day start offset, with the values
    // the whole-month listing takes with a day start of 0, and nothing else
    // of a listing (no output, sums or graph).
    Series CalendarMonthSeries(int32_t year, int32_t month, int32_t block);

    // The day class (0 working day, 1 day off, 2 rest day) of days 1..31
    // of a month, from the calendar; index 0 unused.
    std::array<int32_t, 32> DayClasses(int32_t year, int32_t month);

    // How the archive's controller clock runs.
    ClockRule clock() const;

    // What ended the last List with an error; empty when it ran to its end.
    const std::string& lastError() const { return m_lastError; }

    // The month files of the device in `year`: months 1..12 that have one.
    std::vector<int32_t> MonthsWithFiles(int32_t year) const;

private:
    // The device's own description loaded again and `block` of it made the
    // current one; false when it cannot be.
    bool SelectOwnBlock(int32_t block);

    struct Silent;
    std::unique_ptr<Silent> m_silent;
    std::unique_ptr<Engine> m_engine;
    int32_t m_dayStartOffset = 0;
    std::string m_lastError;
};

} // namespace kw
