#include "output/OutputWindow.h"

#include "output/ReportPages.h"
#include "ui/UserSettings.h"
#include "ui/WindowSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QActionGroup>
#include <QBuffer>
#include <QEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace kw {

namespace {

// Below this the characters of a listing on paper get too small to read.
constexpr qreal SmallestPdfScale = 0.6;

const char* const ClearWindowKey = "Vypis/Clear_Window";
const char* const FontSizeKey = "Vypis/Font_size";

// The view copies its selection both as plain text and with its styles, so
// that a word processor keeps the bold headings.
class OutputView : public QPlainTextEdit {
public:
    explicit OutputView(QWidget* parent) : QPlainTextEdit(parent) {}

protected:
    QMimeData* createMimeDataFromSelection() const override
    {
        const QTextDocumentFragment fragment(textCursor());
        auto* data = new QMimeData;
        data->setText(fragment.toPlainText());
        data->setHtml(fragment.toHtml());
        return data;
    }
};

// The document as the line list that AppendDroppingOldest works on. Every
// line ends with a paragraph separator, so the document always ends in an
// empty block that is not counted; a user's unfinished last line counts.
//
// Dropped lines leave the document when the window's batch closes: removing
// the first line one at a time costs as much as appending one, and a full view
// would append at half speed. Until then they are no longer counted as lines
// of the view.
class DocumentLines : public OutputLineView {
public:
    DocumentLines(QTextDocument& document, std::size_t capacity, OutputWindow::Dropped& dropped,
                  const QString& line, const QTextCharFormat& format)
        : m_document(document), m_capacity(capacity), m_dropped(dropped), m_line(line),
          m_format(format),
          // length() counts the block's separator: 1 is an empty block.
          m_openLine(document.lastBlock().length() > 1)
    {}

    std::size_t lineCount() const override
    {
        const int blocks = m_document.blockCount();
        const int lines = m_openLine ? blocks : blocks - 1;
        return static_cast<std::size_t>(std::max(0, lines - m_dropped.lines));
    }

    // The line (with its separator) and style were converted once by the caller;
    // the loop may try the same line several times.
    void appendLine(const std::string&, int32_t) override
    {
        const auto used = static_cast<std::size_t>(endPosition() - m_dropped.characters);
        // An empty view takes any line, so the removal loop always ends.
        if (lineCount() > 0 && used + static_cast<std::size_t>(m_line.size()) > m_capacity)
            return;
        // Positions, not cursor movements: the window's open edit block keeps
        // the cursor from laying out the lines it passes.
        QTextCursor cursor(&m_document);
        cursor.setPosition(endPosition());
        if (m_openLine)
            cursor.insertBlock(); // the user's unfinished line stays a line of its own
        // An empty line's end takes the format before it, as a typed Enter
        // would; a line's end takes the line's format.
        if (m_line.size() == 1)
            cursor.insertBlock();
        else
            cursor.insertText(m_line, m_format);
        m_openLine = false;
    }

    void removeFirstLine() override
    {
        // From one dropped line to the next rather than by number: a search
        // from the top of a full document for every line would cost more.
        const QTextBlock block =
            m_dropped.lines == 0 ? m_document.firstBlock() : m_dropped.last.next();
        if (!block.isValid() || lineCount() == 0)
            return;
        ++m_dropped.lines;
        m_dropped.characters += block.length();
        m_dropped.last = block;
    }

private:
    int endPosition() const { return m_document.characterCount() - 1; }

    QTextDocument& m_document;
    std::size_t m_capacity;
    OutputWindow::Dropped& m_dropped;
    const QString& m_line;
    const QTextCharFormat& m_format;
    // The last block holds text the user typed and did not end.
    bool m_openLine;
};

QFont fixedPitchFont(int points)
{
    // Stands for "Courier New": the desktop's fixed-pitch font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(points);
    return font;
}

} // namespace

OutputWindow::OutputWindow(Output& output, QPrinter& printer, QWidget* parent)
    : QMainWindow(parent), m_output(output), m_printer(printer)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("QX5view - výstupní okno"));
    setFont(WindowFont(8));
    resize(613, 471);
    move(145, 167);

    Memo1 = new OutputView(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFont(fixedPitchFont(8));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // An undo history of every listing line would hold all text ever shown.
    Memo1->setUndoRedoEnabled(false);
    setCentralWidget(Memo1);
    // Whatever reaches the view may look at it: the batch closes first.
    for (QObject* part : std::initializer_list<QObject*>{
             Memo1, Memo1->viewport(), Memo1->verticalScrollBar(), Memo1->horizontalScrollBar()})
        part->installEventFilter(this);

    createMenu();
    setReadOnly(true);

    const UserSettings settings;
    MazatPV->setChecked(
        OutputClearSetting(settings.value(QLatin1String(ClearWindowKey)).toString().toStdString()));
    applyFontSize(
        OutputFontSizeSetting(settings.value(QLatin1String(FontSizeKey)).toString().toStdString()));

    m_output.setTarget(this);
}

OutputWindow::~OutputWindow()
{
    closeBatch();
    if (m_output.target() == this)
        m_output.setTarget(nullptr);

    UserSettings settings;
    settings.setValue(QLatin1String(ClearWindowKey),
                      MazatPV->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    settings.setValue(QLatin1String(FontSizeKey), QString::number(m_fontSize));
    settings.save();
}

void OutputWindow::createMenu()
{
    QMenuBar* bar = menuBar();
    const auto addItem = AddNamedAction;
    const auto addMenu = [bar](const char* name, const QString& title) {
        return AddNamedMenu(bar, name, title);
    };

    AddPrintMenu(
        bar, this, m_printer, [this](QPrinter& printer) { return printText(printer); }, true);

    QMenu* edit = addMenu("Edit1", QStringLiteral("Edit"));
    Vyberve1 = addItem(edit, "Vyberve1", QStringLiteral("Vyber vše"));
    Vyberve1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    Kopruj1 = addItem(edit, "Kopruj1", QStringLiteral("Kopíruj"));
    Kopruj1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    edit->addSeparator()->setObjectName(QStringLiteral("N1"));
    Zruve1 = addItem(edit, "Zruve1", QStringLiteral("Zruš vše"));
    Pouzeproten1 = addItem(edit, "Pouzeproten1", QStringLiteral("Pouze pro čtení"));
    Pouzeproten1->setCheckable(true);
    Pouzeproten1->setChecked(true);
    connect(Vyberve1, &QAction::triggered, this, [this] {
        closeBatch();
        Memo1->selectAll();
    });
    connect(Kopruj1, &QAction::triggered, this, [this] {
        closeBatch();
        Memo1->copy();
    });
    connect(Zruve1, &QAction::triggered, this, &OutputWindow::clearAll);
    connect(Pouzeproten1, &QAction::toggled, this, &OutputWindow::setReadOnly);

    QMenu* settings = addMenu("Nastaven1", QStringLiteral("Nastavení"));
    MazatPV = addItem(settings, "MazatPV", QStringLiteral("Mazat před výpisem"));
    MazatPV->setCheckable(true);

    QMenu* text = addMenu("Text1", QStringLiteral("Text"));
    struct StyleItem {
        const char* name;
        const char* text;
        bool bold;
        bool italic;
        bool underline;
    };
    static const StyleItem styles[] = {
        {"Obyejn1", "Obyčejný", false, false, false},
        {"Tun1", "Tučný", true, false, false},
        {"ikm1", "Šikmý", false, true, false},
        {"Podtren1", "Podtržený", false, false, true},
        {"TunPodtren1", "Tučný + Podtržený", true, false, true},
        {"ikmPodtren1", "Šikmý + Podtržený", false, true, true},
        {"ikmTun1", "Šikmý+Tučný", true, true, false},
        {"ikmTunPodtren1", "Šikmý+Tučný+Podtržený", true, true, true},
    };
    for (const StyleItem& style : styles) {
        QAction* action = addItem(text, style.name, QString::fromUtf8(style.text));
        connect(action, &QAction::triggered, this,
                [this, style] { setTextStyle(style.bold, style.italic, style.underline); });
    }
    text->addSeparator()->setObjectName(QStringLiteral("N2"));

    // A stored size other than 8, 10 or 12 leaves no item checked.
    m_sizes = new QActionGroup(this);
    m_sizes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    struct SizeItem {
        QAction** action;
        const char* name;
        const char* text;
        int32_t points;
    };
    const SizeItem sizes[] = {
        {&Psmomal1, "Psmomal1", "Písmo malé", 8},
        {&Psmostedn1, "Psmostedn1", "Písmo střední", 10},
        {&Psmovelk1, "Psmovelk1", "Písmo velké", 12},
    };
    for (const SizeItem& size : sizes) {
        QAction* action = addItem(text, size.name, QString::fromUtf8(size.text));
        action->setCheckable(true);
        m_sizes->addAction(action);
        *size.action = action;
        const int32_t points = size.points;
        connect(action, &QAction::triggered, this, [this, points] { applyFontSize(points); });
    }

    // Exports sit in a menu of their own, after the menus the window always had.
    m_exportMenu = addMenu("Export1", QStringLiteral("Export"));
    QAction* pdf = addItem(m_exportMenu, "UlozitPDF1", QStringLiteral("Uložit jako PDF…"));
    pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(pdf, &QAction::triggered, this, &OutputWindow::saveAsPdf);
}

const QTextCharFormat& OutputWindow::lineFormat(int32_t style) const
{
    return m_lineFormats[static_cast<std::size_t>(std::clamp(style, 0, 3))];
}

void OutputWindow::appendLine(const std::string& line, int32_t style)
{
    openBatch();
    ++m_appended;
    QString text = QString::fromStdString(line);
    // The paragraph separator, not '\n': a line that ends in '\r' keeps that
    // as a line end of its own, as when the two were inserted apart.
    text += QChar::ParagraphSeparator;
    DocumentLines lines(*Memo1->document(), m_capacity, m_dropped, text, lineFormat(style));
    if (AppendDroppingOldest(lines, line, style) && text.size() > m_longestLength) {
        m_longestLength = static_cast<int>(text.size());
        // The line is the last one; the empty block after it ends the document.
        m_longestLine = Memo1->document()->lastBlock().previous();
    }
    // Dropped lines stay in the document until the batch closes; a listing
    // much longer than the view does not keep them all.
    if (static_cast<std::size_t>(m_dropped.characters) > m_capacity / 8)
        closeBatch();
}

bool OutputWindow::event(QEvent* event)
{
    closeBatch();
    return QMainWindow::event(event);
}

bool OutputWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Setting the caret's format asks where the caret is for the input
    // method; that answer does not need the batch's lines laid out.
    if (event->type() != QEvent::InputMethodQuery)
        closeBatch();
    return QMainWindow::eventFilter(watched, event);
}

void OutputWindow::openBatch()
{
    if (m_batchOpen)
        return;
    // A view scrolled to its end follows the new lines, as a terminal does;
    // one that the user scrolled elsewhere stays where it is.
    const QScrollBar* bar = Memo1->verticalScrollBar();
    m_followEnd = bar->value() == bar->maximum();
    QTextCursor(Memo1->document()).beginEditBlock();
    m_batchOpen = true;
    if (!m_closePosted) {
        m_closePosted = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_closePosted = false;
                closeBatch();
            },
            Qt::QueuedConnection);
    }
}

void OutputWindow::closeBatch()
{
    if (!m_batchOpen)
        return;
    // Cleared first: what the end of the edit sets off may reach this window.
    m_batchOpen = false;
    QTextDocument* document = Memo1->document();
    QTextCursor(document).endEditBlock();
    if (m_longestLine.isValid())
        document->documentLayout()->blockBoundingRect(m_longestLine);
    m_longestLine = QTextBlock();
    m_longestLength = -1;
    removeDroppedLines();
    // The caret at the end is on the last line, so showing it means showing
    // the end; scrolling there first leaves it only the horizontal part.
    if (m_followEnd || m_showCaret) {
        QScrollBar* bar = Memo1->verticalScrollBar();
        // A view that scrolls while drawn measures the way from the old top
        // line to the new one, laying out the lines between; frozen, it only
        // takes the new top line, and is drawn afresh once.
        Memo1->viewport()->setUpdatesEnabled(false);
        bar->setValue(bar->maximum());
        Memo1->viewport()->setUpdatesEnabled(true);
    }
    if (m_showCaret)
        Memo1->ensureCursorVisible();
    m_showCaret = false;
}

void OutputWindow::removeDroppedLines()
{
    if (m_dropped.lines == 0)
        return;
    QTextDocument* document = Memo1->document();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.setPosition(std::min(m_dropped.characters, document->characterCount() - 1),
                       QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    m_dropped = Dropped();
}

void OutputWindow::clearView()
{
    closeBatch();
    Memo1->clear();
    m_dropped = Dropped();
    // Text typed into the empty view keeps the chosen size.
    Memo1->setCurrentCharFormat(lineFormat(m_output.style()));
}

bool OutputWindow::clearBeforeListing() const
{
    return MazatPV->isChecked();
}

void OutputWindow::caretToEnd()
{
    QTextCursor caret = Memo1->textCursor();
    if (caret.hasSelection() || caret.position() != Memo1->document()->characterCount() - 1) {
        // Moving the caret scrolls it into view, which needs the lines before
        // it laid out.
        closeBatch();
        caret.movePosition(QTextCursor::End);
        // With the picture frozen that is one repaint later instead of a copy
        // of the picture per call.
        Memo1->viewport()->setUpdatesEnabled(false);
        Memo1->setTextCursor(caret);
        Memo1->viewport()->setUpdatesEnabled(true);
    } else {
        // Lines appended at the end carry the caret along; it is scrolled
        // into view once, when the batch closes.
        openBatch();
        m_showCaret = true;
    }
    Memo1->setCurrentCharFormat(lineFormat(m_output.style()));
}

void OutputWindow::applyFontSize(int32_t points)
{
    closeBatch();
    m_fontSize = points;
    for (std::size_t style = 0; style < m_lineFormats.size(); ++style) {
        QTextCharFormat& format = m_lineFormats[style];
        format = QTextCharFormat();
        format.setFontPointSize(points);
        format.setFontWeight(style == 1 || style == 3 ? QFont::Bold : QFont::Normal);
        format.setFontItalic(style == 2);
        format.setFontUnderline(style == 2 || style == 3);
    }
    Memo1->selectAll();
    QTextCharFormat size;
    size.setFontPointSize(points);
    // With everything selected this sizes all text and the text typed next.
    Memo1->mergeCurrentCharFormat(size);

    QAction* item = points == 8    ? Psmomal1
                    : points == 10 ? Psmostedn1
                    : points == 12 ? Psmovelk1
                                   : nullptr;
    for (QAction* action : m_sizes->actions())
        action->setChecked(action == item);
}

void OutputWindow::setTextStyle(bool bold, bool italic, bool underline)
{
    closeBatch();
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    format.setFontUnderline(underline);
    Memo1->mergeCurrentCharFormat(format);
}

void OutputWindow::listingStarted()
{
    m_listingStart = m_appended;
}

OutputWindow::ReportText OutputWindow::reportText(bool wholeWindow)
{
    closeBatch();
    const QTextDocument* document = Memo1->document();
    // The empty block after the last line ends the document.
    int count = document->blockCount();
    if (count > 0 && document->lastBlock().text().isEmpty())
        --count;
    int first = 0;
    if (!wholeWindow && m_listingStart >= 0) {
        // Lines since the listing began; older ones may have given way since.
        const int64_t since = m_appended - m_listingStart;
        first = static_cast<int>(std::max<int64_t>(0, count - since));
    }
    ReportText text;
    QTextBlock block = document->findBlockByNumber(first);
    for (int n = first; n < count && block.isValid(); ++n, block = block.next()) {
        const QTextBlock::iterator piece = block.begin();
        const QTextCharFormat format =
            piece.atEnd() ? block.charFormat() : piece.fragment().charFormat();
        text.lines.push_back(block.text());
        text.formats.push_back(format);
    }
    return text;
}

QByteArray OutputWindow::reportPdf(bool wholeWindow)
{
    const ReportText text = reportText(wholeWindow);
    if (text.lines.empty())
        return QByteArray();
    QString title = QStringLiteral("Kwatrix");
    for (const QString& line : text.lines) {
        if (!line.simplified().isEmpty()) {
            title = line.simplified();
            break;
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Kwatrix"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 12, 15, 10), QPageLayout::Millimeter));
    writer.setResolution(300);
    const ReportHeading heading = m_reportHeading ? m_reportHeading() : ReportHeading();

    // A wide listing (the group statistics run to some 130 columns) keeps its
    // rows whole: the page turns, and what still does not fit is drawn
    // smaller, down to a size that stays legible; only beyond that a row wraps.
    const QFont base = fixedPitchFont(m_fontSize);
    qsizetype widest = 1;
    for (const QString& line : text.lines)
        widest = std::max(widest, line.size());
    const auto advance = [&writer](const QFont& font) {
        return QFontMetricsF(font, &writer).horizontalAdvance(QLatin1Char('0'));
    };
    const qreal wide = advance(base) * static_cast<qreal>(widest);
    if (wide > ReportPageFrame(writer, heading).body().width())
        writer.setPageOrientation(QPageLayout::Landscape);
    const ReportPageFrame frame(writer, heading);
    const QRectF body = frame.body();
    // The rows are drawn smaller by scaling the painter: a font of a smaller
    // size need not be narrower by as much on the device.
    const qreal scale = std::clamp(body.width() / wide, SmallestPdfScale, 1.0);
    const QFontMetricsF metrics(base, &writer);
    const QSizeF area = body.size() / scale;
    const auto columns =
        std::max<qsizetype>(1, static_cast<qsizetype>(area.width() / advance(base) + 1e-6));
    const qreal rowHeight = metrics.lineSpacing();

    // Headings (bold or underlined lines, with the empty lines just before
    // them) never end a page.
    std::vector<ReportLine> lines(text.lines.size());
    for (std::size_t i = text.lines.size(); i-- > 0;) {
        const QString& line = text.lines[i];
        const QTextCharFormat& format = text.formats[i];
        lines[i].rows =
            static_cast<std::size_t>(std::max<qsizetype>(1, (line.size() + columns - 1) / columns));
        const bool heading = format.fontWeight() > QFont::Normal || format.fontUnderline();
        lines[i].keepWithNext =
            (heading && !line.trimmed().isEmpty()) ||
            (line.trimmed().isEmpty() && i + 1 < lines.size() && lines[i + 1].keepWithNext);
    }
    const std::vector<std::size_t> starts =
        ReportPageStarts(lines, static_cast<std::size_t>(std::max(1.0, area.height() / rowHeight)));

    QPainter painter;
    if (!painter.begin(&writer))
        return QByteArray();
    const int pages = static_cast<int>(starts.size());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        frame.draw(painter, page + 1, pages);
        painter.save();
        painter.translate(body.topLeft());
        painter.scale(scale, scale);
        painter.setPen(Qt::black);
        qreal y = metrics.ascent();
        const std::size_t end =
            page + 1 < pages ? starts[static_cast<std::size_t>(page) + 1] : text.lines.size();
        for (std::size_t i = starts[static_cast<std::size_t>(page)]; i < end; ++i) {
            const QTextCharFormat& format = text.formats[i];
            QFont styled = base;
            styled.setBold(format.fontWeight() > QFont::Normal);
            styled.setItalic(format.fontItalic());
            styled.setUnderline(format.fontUnderline());
            painter.setFont(styled);
            const QString& line = text.lines[i];
            for (qsizetype at = 0; at == 0 || at < line.size(); at += columns) {
                painter.drawText(QPointF(0, y), line.mid(at, columns));
                y += rowHeight;
            }
        }
        painter.restore();
    }
    return painter.end() ? buffer.data() : QByteArray();
}

void OutputWindow::saveAsPdf()
{
    closeBatch();
    if (Memo1->document()->isEmpty()) {
        RefuseEmptyExport(this);
        return;
    }
    ExportChoice whole{QStringLiteral("Celé okno (všechny výpisy, ne jen poslední)"),
                       QStringLiteral("WholeWindow"), QString(), false};
    const QString path =
        AskExportPath(this, QStringLiteral("Uložit výpis jako PDF"), QStringLiteral("vypis.pdf"),
                      QStringLiteral("PDF (*.pdf)"), &whole);
    if (path.isEmpty())
        return;
    const QByteArray pdf = reportPdf(whole.checked);
    if (pdf.isEmpty())
        ShowExportFailure(this, path, "PDF se nepodařilo vytvořit.");
    else
        SaveExport(this, path, pdf);
}

bool OutputWindow::printText(QPrinter& printer)
{
    printer.setDocName(QStringLiteral("Ahoj"));
    int first = 1;
    int last = 0;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        last = printer.toPage();
    }
    return paintPages(printer, first, last);
}

bool OutputWindow::paintPages(QPagedPaintDevice& device, int first, int last)
{
    closeBatch();

    // A copy laid out for the paper: its own fonts at the device's resolution,
    // lines wrapped at the page edge rather than cut off.
    const std::unique_ptr<QTextDocument> document(Memo1->document()->clone());
    document->documentLayout()->setPaintDevice(&device);
    document->setDocumentMargin(0);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    const QSizeF page = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();
    document->setPageSize(page);

    const int pages = std::max(1, document->pageCount());
    first = std::clamp(first, 1, pages);
    last = std::clamp(last > 0 ? last : pages, first, pages);

    QPainter painter;
    if (!painter.begin(&device))
        return false;
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int number = first; number <= last; ++number) {
        if (number > first)
            device.newPage();
        const QRectF area(0, (number - 1) * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -area.top());
        painter.setClipRect(area);
        context.clip = area;
        document->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}

void OutputWindow::clearAll()
{
    clearView();
}

void OutputWindow::setReadOnly(bool checked)
{
    Memo1->setReadOnly(checked);
    // Read-only still lets the keyboard select and copy.
    if (checked)
        Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

} // namespace kw
