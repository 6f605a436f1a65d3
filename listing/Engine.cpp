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
    ini.setLog(&log);
    division.setLog(&log);
    archive.ResetBuffers();
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

} // namespace kw
