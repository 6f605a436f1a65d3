#include "output/OutputWindow.h"

#include "ui/WindowSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QActionGroup>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <memory>

namespace kw {

namespace {

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
// Dropped lines leave the document in batches: removing the first line one at
// a time costs as much as appending one, and a full view would append at half
// speed. Until the batch goes, they are no longer counted as lines of the view.
class DocumentLines : public OutputLineView {
public:
    DocumentLines(QTextDocument& document, std::size_t capacity, OutputWindow::Dropped& dropped,
                  const QString& text, const QTextCharFormat& format)
        : m_document(document), m_capacity(capacity), m_dropped(dropped), m_text(text),
          m_format(format)
    {}

    std::size_t lineCount() const override
    {
        const int blocks = m_document.blockCount();
        // length() counts the block's separator: 1 is an empty block.
        const int lines = m_document.lastBlock().length() <= 1 ? blocks - 1 : blocks;
        return static_cast<std::size_t>(std::max(0, lines - m_dropped.lines));
    }

    // The line and style were converted once by the caller; the loop may try
    // the same line several times.
    void appendLine(const std::string&, int32_t) override
    {
        const auto used = static_cast<std::size_t>(endPosition() - m_dropped.characters);
        // An empty view takes any line, so the removal loop always ends.
        if (lineCount() > 0 && used + static_cast<std::size_t>(m_text.size()) + 1 > m_capacity)
            return;
        QTextCursor cursor(&m_document);
        // Positions, not cursor movements, and inside an edit block: a cursor
        // that moves lays out the line it passes.
        cursor.beginEditBlock();
        cursor.setPosition(endPosition());
        if (cursor.block().length() > 1)
            cursor.insertBlock(); // the user's unfinished line stays a line of its own
        cursor.insertText(m_text, m_format);
        cursor.insertBlock();
        cursor.endEditBlock();
    }

    void removeFirstLine() override
    {
        const QTextBlock block = m_document.findBlockByNumber(m_dropped.lines);
        if (!block.isValid() || lineCount() == 0)
            return;
        ++m_dropped.lines;
        m_dropped.characters += block.length();
    }

private:
    int endPosition() const { return m_document.characterCount() - 1; }

    QTextDocument& m_document;
    std::size_t m_capacity;
    OutputWindow::Dropped& m_dropped;
    const QString& m_text;
    const QTextCharFormat& m_format;
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

    createMenu();
    setReadOnly(true);

    const QSettings settings(QStringLiteral("Telvanor"), QStringLiteral("Kwatrix"));
    MazatPV->setChecked(
        OutputClearSetting(settings.value(QLatin1String(ClearWindowKey)).toString().toStdString()));
    applyFontSize(
        OutputFontSizeSetting(settings.value(QLatin1String(FontSizeKey)).toString().toStdString()));

    m_output.setTarget(this);
}

OutputWindow::~OutputWindow()
{
    if (m_output.target() == this)
        m_output.setTarget(nullptr);

    QSettings settings(QStringLiteral("Telvanor"), QStringLiteral("Kwatrix"));
    settings.setValue(QLatin1String(ClearWindowKey),
                      MazatPV->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    settings.setValue(QLatin1String(FontSizeKey), QString::number(m_fontSize));
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning("Kwatrix: the output window settings could not be saved to %s",
                 qPrintable(settings.fileName()));
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
    connect(Vyberve1, &QAction::triggered, Memo1, &QPlainTextEdit::selectAll);
    connect(Kopruj1, &QAction::triggered, Memo1, &QPlainTextEdit::copy);
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
}

QTextCharFormat OutputWindow::lineFormat(int32_t style) const
{
    QTextCharFormat format;
    format.setFontPointSize(m_fontSize);
    format.setFontWeight(style == 1 || style == 3 ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style == 2);
    format.setFontUnderline(style == 2 || style == 3);
    return format;
}

void OutputWindow::appendLine(const std::string& line, int32_t style)
{
    const QString text = QString::fromStdString(line);
    const QTextCharFormat format = lineFormat(style);
    // A view scrolled to its end follows the new lines, as a terminal does;
    // one that the user scrolled elsewhere stays where it is.
    QScrollBar* scrollBar = Memo1->verticalScrollBar();
    const bool following = scrollBar->value() == scrollBar->maximum();
    DocumentLines lines(*Memo1->document(), m_capacity, m_dropped, text, format);
    AppendDroppingOldest(lines, line, style);
    if (m_dropped.lines >= DroppedBatch) {
        removeDroppedLines();
    } else if (m_dropped.lines > 0 && !m_removalPending) {
        m_removalPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_removalPending = false;
                removeDroppedLines();
            },
            Qt::QueuedConnection);
    }
    // Scrolling once per line would copy the picture once per line: once the
    // listing has returned to the event loop is enough.
    if (following && !m_scrollPending) {
        m_scrollPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_scrollPending = false;
                QScrollBar* bar = Memo1->verticalScrollBar();
                bar->setValue(bar->maximum());
            },
            Qt::QueuedConnection);
    }
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
    QTextCursor cursor = Memo1->textCursor();
    cursor.movePosition(QTextCursor::End);
    // Moving the caret scrolls it into view; with the picture frozen that is
    // one repaint later instead of a copy of the picture per call.
    Memo1->viewport()->setUpdatesEnabled(false);
    Memo1->setTextCursor(cursor);
    Memo1->viewport()->setUpdatesEnabled(true);
    Memo1->setCurrentCharFormat(lineFormat(m_output.style()));
}

void OutputWindow::applyFontSize(int32_t points)
{
    m_fontSize = points;
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
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    format.setFontUnderline(underline);
    Memo1->mergeCurrentCharFormat(format);
}

bool OutputWindow::printText(QPrinter& printer)
{
    printer.setDocName(QStringLiteral("Ahoj"));
    removeDroppedLines();

    // A copy laid out for the paper: its own fonts at the printer's resolution,
    // lines wrapped at the page edge rather than cut off.
    const std::unique_ptr<QTextDocument> document(Memo1->document()->clone());
    document->documentLayout()->setPaintDevice(&printer);
    document->setDocumentMargin(0);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    document->setPageSize(page);

    const int pages = std::max(1, document->pageCount());
    int first = 1;
    int last = pages;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::min(printer.fromPage(), pages);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() : pages, first, pages);
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int number = first; number <= last; ++number) {
        if (number > first)
            printer.newPage();
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
