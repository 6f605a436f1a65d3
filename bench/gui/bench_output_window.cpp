// TForm3: appending a whole-month listing to an empty view and to a view that
// is already full, where every new line pushes out an old one; and the whole
// way from the listing command to the drawn window.
//
// Every timed iteration ends when the view has been painted: the window is
// shown offscreen and events are processed until its viewport got a paint
// event, so deferred work of the window is inside the figure.

#include "listing/Engine.h"
#include "output/OutputWindow.h"
#include "tools/DemoArchive.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <array>
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

// "Ne" to the display mode question, so that each benchmark keeps its mode;
// shows the output window as the desktop program does.
class BenchUi : public kw::ListingUi {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
    void showOutputWindow() override
    {
        if (window) {
            window->showNormal();
            window->raise();
            window->activateWindow();
        }
    }

    QWidget* window = nullptr;
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
    static const std::string path = [] {
        const std::string dir = programDirectory().path().toStdString() + "/";
        kw::demo::DemoOptions options;
        options.lastDay = {2024, 3, 31};
        options.months = 2;
        if (!kw::demo::WriteDemoArchive(dir, options))
            std::abort();
        return dir;
    }();
    return path;
}

// An engine ready for a whole-month listing of March 2024 of device 0.
void prepareEngine(kw::Engine& engine, int displayMode)
{
    engine.setProgramPath(programPath());
    engine.Location.DeviceNo = 0;
    engine.description.LoadArchiveDescription(programPath(), 0);
    engine.division.StartDayDivision(programPath(), engine.log);
    engine.listing.ListingYear = 2024;
    engine.listing.ListingMonth = 3;
    engine.listing.SelectBlock();
    engine.settings.DisplayMode = displayMode;
}

// The calls of a whole-month listing (March 2024) of the demo archive in one
// display mode (0..4).
const std::vector<OutputCall>& monthListing(int displayMode)
{
    static std::array<std::vector<OutputCall>, 5> listings;
    std::vector<OutputCall>& calls = listings.at(static_cast<std::size_t>(displayMode));
    if (calls.empty()) {
        BenchUi ui;
        kw::Engine engine(ui);
        prepareEngine(engine, displayMode);
        Recorder recorder(engine.output);
        engine.output.setTarget(&recorder);
        engine.listing.MonthAction(kw::ListingRun::WholeMonth);
        calls = std::move(recorder.calls);
    }
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

// Counts the paint events of the view's viewport.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* window)
        : m_viewport(window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->viewport())
    {
        m_viewport->installEventFilter(this);
    }
    ~PaintCounter() override { m_viewport->removeEventFilter(this); }

    // Processes events until the view has been painted, then what is left
    // queued; false when nothing was painted.
    bool drawn()
    {
        const int before = m_paints;
        for (int round = 0; round < 1000 && m_paints == before; ++round)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return m_paints != before;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    QWidget* m_viewport;
    int m_paints = 0;
};

// The timed work, outside the benchmark loops so that callgrind can count
// its instructions alone (--toggle-collect).
[[gnu::noinline]] bool appendAndDraw(kw::Output& output, const std::vector<OutputCall>& calls,
                                     PaintCounter& paints)
{
    replay(output, calls);
    return paints.drawn();
}

[[gnu::noinline]] bool listAndDraw(kw::ListingRun& listing, PaintCounter& paints)
{
    listing.MonthAction(kw::ListingRun::WholeMonth);
    return paints.drawn();
}

// The window with the engine that writes into it; shown and drawn once.
struct Bench {
    explicit Bench(int displayMode) : engine(ui), window(engine.output, printer)
    {
        ui.window = &window;
        prepareEngine(engine, displayMode);
        window.show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // Months of display mode 0 until the view holds more than its capacity,
    // so that each line appended afterwards drops the oldest.
    void fill()
    {
        const std::vector<OutputCall>& month = monthListing(0);
        for (int i = 0; i < 99; ++i) {
            replay(engine.output, month);
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
    }

    // Characters of the view, without the separator of its last line.
    double characters() const
    {
        return window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))
                   ->document()
                   ->characterCount() -
               1;
    }

    BenchUi ui;
    kw::Engine engine;
    QPrinter printer;
    kw::OutputWindow window;
    PaintCounter paints{&window};
};

// Appending: the lines of a month as the listing code hands them over, then
// the window drawn. Argument: display mode.
void BM_OutputAppendMonth(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const std::vector<OutputCall>& calls = monthListing(mode);
    Bench bench(mode);
    for (auto _ : state) {
        state.PauseTiming();
        bench.window.clearView();
        bench.paints.drawn();
        state.ResumeTiming();
        if (!appendAndDraw(bench.engine.output, calls, bench.paints))
            state.SkipWithError("the view was not painted");
    }
    state.counters["lines"] = static_cast<double>(lineCount(calls));
}
BENCHMARK(BM_OutputAppendMonth)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The same into a view at its capacity of 2,000,000 characters.
void BM_OutputAppendMonthToFullView(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const std::vector<OutputCall>& calls = monthListing(mode);
    const double before = residentMegabytes();
    Bench bench(mode);
    bench.fill();
    for (auto _ : state) {
        if (!appendAndDraw(bench.engine.output, calls, bench.paints))
            state.SkipWithError("the view was not painted");
    }
    state.counters["lines"] = static_cast<double>(lineCount(calls));
    state.counters["view_MB"] = residentMegabytes() - before;
    state.counters["view_chars"] = bench.characters();
}
BENCHMARK(BM_OutputAppendMonthToFullView)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Click to screen: "CELÝ MĚSÍC" as the main window runs it (the engine reads
// the month file, lists into the window and shows it), until the window is
// painted. Argument: display mode.
void BM_OutputClickToScreen(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    Bench bench(mode);
    for (auto _ : state) {
        state.PauseTiming();
        bench.window.clearView();
        bench.paints.drawn();
        state.ResumeTiming();
        if (!listAndDraw(bench.engine.listing, bench.paints))
            state.SkipWithError("the view was not painted");
    }
}
BENCHMARK(BM_OutputClickToScreen)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The same with the view at its capacity.
void BM_OutputClickToScreenFullView(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    Bench bench(mode);
    bench.fill();
    for (auto _ : state) {
        if (!listAndDraw(bench.engine.listing, bench.paints))
            state.SkipWithError("the view was not painted");
    }
    state.counters["view_chars"] = bench.characters();
}
BENCHMARK(BM_OutputClickToScreenFullView)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// "Uložit jako PDF…" of a whole month in display mode 0 (905 lines): the
// report's rows paged for A4, each page with its heading and number,
// painted into the bytes of the file.
class PdfWindow : public kw::OutputWindow {
public:
    using kw::OutputWindow::OutputWindow;
    using kw::OutputWindow::reportPdf;
};

void BM_OutputMonthPdf(benchmark::State& state)
{
    BenchUi ui;
    kw::Engine engine(ui);
    QPrinter printer;
    PdfWindow window(engine.output, printer);
    prepareEngine(engine, 0);
    replay(engine.output, monthListing(0));
    QCoreApplication::processEvents();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = window.reportPdf(true);
        bytes = pdf.size();
        benchmark::DoNotOptimize(pdf.constData());
    }
    if (bytes == 0)
        state.SkipWithError("no PDF was made");
    state.counters["pdf_kB"] = static_cast<double>(bytes) / 1024;
}
BENCHMARK(BM_OutputMonthPdf)->Unit(benchmark::kMillisecond);

} // namespace
