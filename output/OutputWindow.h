#pragma once

#include "output/Output.h"
#include "ui/ReportPage.h"

#include <QMainWindow>
#include <QTextBlock>
#include <QTextCharFormat>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QEvent;
class QMenu;
class QPlainTextEdit;
class QPagedPaintDevice;
class QPrinter;

namespace kw {

// TForm3: the listing text of every run; created hidden, closing only hides it.
// The listing writes into it through Output, whose target it is.
class OutputWindow : public QMainWindow, public OutputTarget {
    Q_OBJECT

public:
    // Characters the view holds before its oldest lines give way: about 35
    // whole-month listings in quarter-hours, a few tens of MB at most.
    static constexpr std::size_t DefaultCapacity = 2'000'000;

    OutputWindow(Output& output, QPrinter& printer, QWidget* parent = nullptr);
    ~OutputWindow() override;

    // OutputTarget
    void appendLine(const std::string& line, int32_t style) override;
    void clearView() override;
    bool clearBeforeListing() const override;
    void caretToEnd() override;
    void listingStarted() override;

    // What the PDF report is of, asked when it is saved.
    void setReportHeading(ReportHeadingSource source) { m_reportHeading = std::move(source); }
    // "Export": the program puts the export of each format before "Uložit jako PDF…".
    QMenu* exportMenu() const { return m_exportMenu; }

    // Characters (UTF-16 units) of the view; a single line longer than this
    // is still shown, alone.
    void setCapacity(std::size_t characters) { m_capacity = characters; }
    std::size_t capacity() const { return m_capacity; }
    // The size of all text, and of text added later, in points.
    int32_t fontSize() const { return m_fontSize; }

    // Prints the whole text on printer, page after page over its printable
    // area (the print dialog has been answered). False when the printer
    // could not be started.
    bool printText(QPrinter& printer);

    // Lines dropped from the top of the view but still in its document.
    struct Dropped {
        int lines = 0;
        int characters = 0;
        QTextBlock last; // the last of them
    };

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The last listing (or the whole view) as a PDF report on A4: the
    // heading on every page, "strana N z M" at the foot, rows never cut
    // across pages, the first line as the document's title. Empty when there
    // is nothing to print or painting failed.
    QByteArray reportPdf(bool wholeWindow);

private:
    // Lines appended while control has not returned to the event loop form
    // one edit of the document: each line is in the document at once, but the
    // layout, the scroll bars and the picture follow once per listing rather
    // than once per line. The edit ends before anything else sees the view.
    void openBatch();
    void closeBatch();

    void createMenu();
    void removeDroppedLines();
    const QTextCharFormat& lineFormat(int32_t style) const;
    void applyFontSize(int32_t points);
    void setTextStyle(bool bold, bool italic, bool underline);

    // The text laid out for the pages of `device`, lines too long for the
    // page wrapped, and pages first..last painted (last 0: to the end; both
    // held to the pages there are). False when painting could not start.
    bool paintPages(QPagedPaintDevice& device, int first, int last);

    struct ReportText {
        std::vector<QString> lines;
        std::vector<QTextCharFormat> formats; // of each line's beginning
    };
    ReportText reportText(bool wholeWindow);

    void clearAll();
    void saveAsPdf();
    void setReadOnly(bool checked);

    Output& m_output;
    QPrinter& m_printer;
    ReportHeadingSource m_reportHeading;
    // Lines appended since the window was made, and their number when the
    // last listing began (-1: none yet).
    int64_t m_appended = 0;
    int64_t m_listingStart = -1;
    std::size_t m_capacity = DefaultCapacity;
    int32_t m_fontSize = 8;
    // The format of each line style at the current size.
    std::array<QTextCharFormat, 4> m_lineFormats;
    Dropped m_dropped;

    bool m_batchOpen = false;
    bool m_closePosted = false;
    // Whether the view showed its end when the batch began, so it follows.
    bool m_followEnd = false;
    // A SetOutputStyle during the batch: the caret at the end is shown.
    bool m_showCaret = false;
    // The longest line of the batch: laying it out gives the horizontal scroll
    // bar the width it would have had with every line laid out.
    QTextBlock m_longestLine;
    int m_longestLength = -1;

    QPlainTextEdit* Memo1 = nullptr;
    QAction* Vyberve1 = nullptr;
    QAction* Kopruj1 = nullptr;
    QAction* Zruve1 = nullptr;
    QAction* Pouzeproten1 = nullptr;
    QAction* MazatPV = nullptr;
    QAction* Psmomal1 = nullptr;
    QAction* Psmostedn1 = nullptr;
    QAction* Psmovelk1 = nullptr;
    QActionGroup* m_sizes = nullptr;
    QMenu* m_exportMenu = nullptr;
};

} // namespace kw
