// TForm3: appending a whole-month listing in quarter-hours, to an empty view
// and to a view that is already full, where every new line pushes out an old
// one.

#include "app/Application.h"
#include "listing/Engine.h"
#include "output/OutputWindow.h"
#include "tools/DemoArchive.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// One call of the listing code: a style change or a completed line.
struct OutputCall {
    bool style = false;
    int32_t value = 0;
    std::string line;
};

class NoQuestions : public kw::ListingUi {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

class Recorder : public kw::OutputTarget {
public:
    explicit Recorder(const kw::Output& output) : m_output(output) {}
    void appendLine(const std::string& line, int32_t) override
    {
        calls.push_back({false, 0, line});
    }
    void clearView() override {}
    bool clearBeforeListing() const override { return false; }
    void caretToEnd() override { calls.push_back({true, m_output.style(), {}}); }

    std::vector<OutputCall> calls;

private:
    const kw::Output& m_output;
};

const QTemporaryDir& programDirectory()
{
    static const QTemporaryDir dir;
    return dir;
}

std::string programPath()
{
    return programDirectory().path().toStdString() + "/";
}

// The calls of a whole-month listing (March 2024, display mode 0) of the demo archive.
const std::vector<OutputCall>& monthListing()
{
    static const std::vector<OutputCall> calls = [] {
        kw::demo::DemoOptions options;
        options.lastDay = {2024, 3, 31};
        options.months = 2;
        if (!kw::demo::WriteDemoArchive(programPath(), options))
            std::abort();
        NoQuestions ui;
        kw::Engine engine(ui);
        engine.setProgramPath(programPath());
        Recorder recorder(engine.output);
        engine.output.setTarget(&recorder);
        engine.Location.DeviceNo = 0;
        engine.description.LoadArchiveDescription(programPath(), 0);
        engine.division.StartDayDivision(programPath(), engine.log);
        engine.listing.ListingYear = 2024;
        engine.listing.ListingMonth = 3;
        engine.listing.SelectBlock();
        engine.settings.DisplayMode = 0;
        engine.listing.MonthAction(32);
        return recorder.calls;
    }();
    return calls;
}

void replay(kw::Output& output, const std::vector<OutputCall>& calls)
{
    for (const OutputCall& call : calls) {
        if (call.style)
            output.SetOutputStyle(call.value);
        else
            output.WriteOutputLine(call.line);
    }
}

std::size_t lineCount(const std::vector<OutputCall>& calls)
{
    std::size_t lines = 0;
    for (const OutputCall& call : calls)
        lines += call.style ? 0 : 1;
    return lines;
}

// Resident memory of the process in MB.
double residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096 / (1024 * 1024);
}

// The window as the listing run leaves it: shown, drawn after each listing.
void BM_OutputAppendMonth(benchmark::State& state)
{
    const std::vector<OutputCall>& calls = monthListing();
    kw::Application app(programPath());
    kw::OutputWindow& window = *app.outputWindow();
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        window.clearView();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        replay(app.engine().output, calls);
        QCoreApplication::processEvents();
    }
    state.counters["lines"] = static_cast<double>(lineCount(calls));
}
BENCHMARK(BM_OutputAppendMonth)->Unit(benchmark::kMillisecond);

// The 100th month and every one after it: 99 months fill the view past its
// capacity first, so each line appended drops the oldest one.
void BM_OutputAppendMonthToFullView(benchmark::State& state)
{
    const std::vector<OutputCall>& calls = monthListing();
    kw::Application app(programPath());
    kw::OutputWindow& window = *app.outputWindow();
    window.show();
    const double before = residentMegabytes();
    for (int month = 1; month < 100; ++month) {
        replay(app.engine().output, calls);
        QCoreApplication::processEvents();
    }
    for (auto _ : state) {
        replay(app.engine().output, calls);
        QCoreApplication::processEvents();
    }
    state.counters["lines"] = static_cast<double>(lineCount(calls));
    state.counters["view_MB"] = residentMegabytes() - before;
}
BENCHMARK(BM_OutputAppendMonthToFullView)->Unit(benchmark::kMillisecond);

} // namespace
