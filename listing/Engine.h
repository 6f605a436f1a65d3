#pragma once

#include "archive/ArchiveDescription.h"
#include "archive/Ini.h"
#include "archive/MonthFile.h"
#include "archive/ProgramLocation.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "export/ListingJson.h"
#include "graph/Graph.h"
#include "graph/Series.h"
#include "listing/DayListing.h"
#include "listing/ListingRun.h"
#include "listing/SumTables.h"
#include "output/Log.h"
#include "output/Output.h"

#include <string>

namespace kw {

// One of each state object of the program, wired together: the desktop
// program and kwatrix-report both list through it, tests build their own.
class Engine {
public:
    explicit Engine(ListingUi& ui);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    ProgramLocation Location;
    Log log;
    IniLayer ini;
    ArchiveDescription description{ini, log};
    Output output;
    Graph graph;
    Calendar calendar{ini, &log};
    DayDivision division;
    ListingSettings settings;
    DayArchive archive{Location, description, log, output};
    DayListing dayListing{description, archive, calendar, division, graph, output, log, settings};
    SumTables sums{division, output};
    ListingRun listing;
    // The values of the last listing, for the analyses and the exports.
    Series series;

    // The block of the current description as the device's own description
    // numbers and names it.
    SeriesBlock ListedBlock() const;

    // The program directory (ending in '/') for every file of the program.
    void setProgramPath(const std::string& path);
    // The start-up log lines of the program directory.
    void LogProgramPath();
    // What a copy of the program killed in the middle of a save of the
    // calendar or the day division left behind: removed as the program
    // starts on the folder. Returns how many files were removed.
    int RemoveStaleTemporaries();
};

// What the JSON export says of the engine's last listing.
ListingFacts FactsOf(const Engine& engine);

} // namespace kw
