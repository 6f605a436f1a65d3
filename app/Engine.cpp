#include "app/Engine.h"

namespace kw {

Engine::Engine(ListingUi& ui)
    : listing(description, archive, dayListing, sums, calendar, division, graph, output, log,
              settings, ui)
{
    description.ResetDayBuffers = [this] { archive.ResetBuffers(); };
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

} // namespace kw
