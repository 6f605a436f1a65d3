#include "listing/Engine.h"

#include "archive/AtomicFile.h"

namespace kw {

Engine::Engine(ListingUi& ui)
    : listing(description, archive, dayListing, sums, calendar, division, graph, output, log,
              settings, ui)
{
    // Every hook between the core objects is set here, once.
    description.ResetDayBuffers = [this] { archive.ResetBuffers(); };
    // A switch of description files that found the block again refills the
    // block choice.
    description.BlockChangeNotify = [this] { listing.SelectBlock(); };
    dayListing.setSeries(&series);
    listing.setSeries(&series, [this] {
        series.Start(Location.DeviceNo, ListedBlock(), description, settings.ConvertValues,
                     division.DayStartOffset());
        series.clock = ArchiveClock(ini, Location.ProgramPath);
        output.MarkListingStart();
    });
    ini.setLog(&log);
    division.setLog(&log);
    archive.ResetBuffers();
}

SeriesBlock Engine::ListedBlock() const
{
    const BlockDescription* block = description.currentBlock();
    if (!block)
        return {};
    if (description.OwnDescriptionLoaded())
        return {description.CurrentBlock, block->Description, {}};
    return OwnBlockOf(OwnBlocks(Location.ProgramPath, Location.DeviceNo), block->Description);
}

void Engine::setProgramPath(const std::string& path)
{
    Location.ProgramPath = path;
    calendar.setProgramPath(path);
}

void Engine::LogProgramPath()
{
    log.WriteLog(false, "* Inicializace modulu ProgPath");
    log.WriteLog(false, "  PROGRAM_PATH=" + Location.ProgramPath + " ");
}

int Engine::RemoveStaleTemporaries()
{
    return ::kw::RemoveStaleTemporaries(calendar.CalendarFilePath()) +
           ::kw::RemoveStaleTemporaries(DayDivision::StoragePath(Location.ProgramPath));
}

ListingFacts FactsOf(const Engine& engine)
{
    ListingFacts facts;
    const Series& series = engine.series;
    facts.device = engine.Location.DeviceNo;
    // Before any listing the block chosen stands for itself.
    facts.block = series.block.number > 0 ? series.block.number : engine.description.CurrentBlock;
    facts.blockName = series.block.name;
    facts.unit = series.valueUnit();
    facts.command = engine.listing.EditVypis;
    facts.firstDay = engine.listing.FirstDayListed;
    facts.lastDay = engine.listing.LastDayListed;
    facts.dayStartOffset = series.dayStartOffset;
    return facts;
}

} // namespace kw
