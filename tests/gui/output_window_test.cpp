// TForm3: lines and styles from the listing operations, clearing, the stored
// settings, the capacity, the menu's effects on the text, copying and printing.

#include "GuiSupport.h"
#include "output/Output.h"
#include "output/OutputWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <memory>
#include <optional>

namespace {

// "text|" plus B, I, U for the style that every character of the line has;
// "mixed" when the characters differ.
double pointSizeOf(const QTextBlock& block)
{
    return block.begin().fragment().charFormat().fontPointSize();
}

QString describeBlock(const QTextBlock& block)
{
    QString style;
    bool first = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        QString code;
        if (format.fontWeight() >= QFont::Bold)
            code += QLatin1Char('B');
        if (format.fontItalic())
            code += QLatin1Char('I');
        if (format.fontUnderline())
            code += QLatin1Char('U');
        if (!first && code != style)
            return block.text() + QStringLiteral("|mixed");
        style = code;
        first = false;
    }
    return block.text() + QLatin1Char('|') + style;
}

} // namespace

class OutputWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void design();
    void linesAndStyles_data();
    void linesAndStyles();
    void clearOutputIfSet_data();
    void clearOutputIfSet();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void sizeItemSelectsAllButLinesGoToTheEnd();
    void textStyleItems_data();
    void textStyleItems();
    void capacityDropsOldestLines();
    void lineLongerThanCapacityStandsAlone();
    void userEditsWhenNotReadOnly();
    void clearAllKeepsPendingPiece();
    void copyKeepsFormatting();
    void printToPdf();
    void saveAsPdf();

private:
    // The output window alone, without the program.
    struct OutputAlone {
        kwtest::BareEngine bare;
        QPrinter printer;
        kw::OutputWindow window{bare.engine.output, printer};
    };

    void createWindow()
    {
        m_alone = std::make_unique<OutputAlone>();
        m_window = &m_alone->window;
        m_memo = m_window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        QVERIFY(m_memo);
    }
    kw::Output& output() { return m_alone->bare.engine.output; }
    QAction* action(const char* name) const
    {
        return kwtest::findChild<QAction>(m_window, QLatin1String(name));
    }
    // The lines of the view, as describeBlock gives them; dropped lines leave
    // the document once the event loop runs.
    QStringList lines() const
    {
        QCoreApplication::processEvents();
        QStringList result;
        const QTextDocument* document = m_memo->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            if (block == document->lastBlock() && block.text().isEmpty())
                break;
            result << describeBlock(block);
        }
        return result;
    }
    QStringList texts() const
    {
        QStringList result;
        for (const QString& line : lines())
            result << line.section(QLatin1Char('|'), 0, 0);
        return result;
    }

    std::unique_ptr<OutputAlone> m_alone;
    kw::OutputWindow* m_window = nullptr;
    QPlainTextEdit* m_memo = nullptr;
};

void OutputWindowTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
}

void OutputWindowTest::init()
{
    kwtest::clearSettings();
    createWindow();
}

void OutputWindowTest::cleanup()
{
    m_alone.reset();
}

void OutputWindowTest::design()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("TForm3"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("QX5view - výstupní okno"));
    QVERIFY(!m_window->isVisible());
    QCOMPARE(output().target(), static_cast<kw::OutputTarget*>(m_window));

    QVERIFY(m_memo->isReadOnly());
    QCOMPARE(m_memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(m_memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(m_memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // Columns line up: narrow and wide letters take the same room.
    const QFontMetrics metrics(m_memo->font());
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
             metrics.horizontalAdvance(QStringLiteral("MMMM")));
    QCOMPARE(m_memo->font().pointSize(), 8);

    struct Item {
        const char* name;
        const char* text;
        QKeySequence shortcut;
        bool checkable;
        bool checked;
    };
    const Item items[] = {
        {"Nastaventiskrny1", "Nastavení tiskárny", {}, false, false},
        {"Tisk2", "Tisk", {}, false, false},
        {"Vyberve1", "Vyber vše", QKeySequence(Qt::CTRL | Qt::Key_A), false, false},
        {"Kopruj1", "Kopíruj", QKeySequence(Qt::CTRL | Qt::Key_C), false, false},
        {"Zruve1", "Zruš vše", {}, false, false},
        {"Pouzeproten1", "Pouze pro čtení", {}, true, true},
        {"MazatPV", "Mazat před výpisem", {}, true, false},
        {"Obyejn1", "Obyčejný", {}, false, false},
        {"ikmTunPodtren1", "Šikmý+Tučný+Podtržený", {}, false, false},
        {"Psmomal1", "Písmo malé", {}, true, true},
        {"Psmostedn1", "Písmo střední", {}, true, false},
        {"Psmovelk1", "Písmo velké", {}, true, false},
    };
    for (const Item& item : items) {
        const QAction* found = action(item.name);
        QCOMPARE(found->text(), QString::fromUtf8(item.text));
        QCOMPARE(found->shortcut(), item.shortcut);
        QCOMPARE(found->isCheckable(), item.checkable);
        QCOMPARE(found->isChecked(), item.checked);
    }
}

void OutputWindowTest::linesAndStyles_data()
{
    // Calls: "w:" WriteOutput, "l:" WriteOutputLine, "s:" SetOutputStyle.
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("pieces make one line")
        << QStringList{"w:ab", "w:cd", "l:ef"} << QStringList{"abcdef|"};
    QTest::newRow("empty line") << QStringList{"l:"} << QStringList{"|"};
    QTest::newRow("bold heading, plain after")
        << QStringList{"s:1", "w:Nad", "l:pis", "s:0", "l:data"}
        << QStringList{"Nadpis|B", "data|"};
    QTest::newRow("style set before the piece completes the line")
        << QStringList{"w:ab", "s:3", "l:cd"} << QStringList{"abcd|BU"};
    QTest::newRow("italic and underline") << QStringList{"s:2", "l:x"} << QStringList{"x|IU"};
    QTest::newRow("unknown style keeps the last")
        << QStringList{"s:3", "l:a", "s:5", "l:b", "s:-1", "l:c"}
        << QStringList{"a|BU", "b|BU", "c|BU"};
    QTest::newRow("Czech letters") << QStringList{"s:1", "l:ČTVRTHODINY Příliš žluťoučký"}
                                   << QStringList{"ČTVRTHODINY Příliš žluťoučký|B"};
}

void OutputWindowTest::linesAndStyles()
{
    QFETCH(QStringList, calls);
    QFETCH(QStringList, expected);

    for (const QString& call : calls) {
        const std::string argument = call.mid(2).toStdString();
        if (call.startsWith(QLatin1String("w:")))
            output().WriteOutput(argument);
        else if (call.startsWith(QLatin1String("l:")))
            output().WriteOutputLine(argument);
        else
            output().SetOutputStyle(call.mid(2).toInt());
    }
    QCOMPARE(lines(), expected);
    QVERIFY(output().pending().empty());
}

void OutputWindowTest::clearOutputIfSet_data()
{
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("off keeps the text") << false << QStringList{"old", "pending new"};
    QTest::newRow("on empties the view") << true << QStringList{"pending new"};
}

void OutputWindowTest::clearOutputIfSet()
{
    QFETCH(bool, clear);
    QFETCH(QStringList, expected);

    if (clear)
        action("MazatPV")->trigger();
    QCOMPARE(m_window->clearBeforeListing(), clear);
    output().WriteOutputLine("old");
    output().WriteOutput("pending ");
    output().ClearOutputIfSet();
    QCOMPARE(output().pending(), std::string("pending "));
    output().WriteOutputLine("new");
    QCOMPARE(texts(), expected);
}

void OutputWindowTest::settingsRoundTrip_data()
{
    QTest::addColumn<QString>("clearText"); // null: not stored
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<QString>("userAction"); // an item chosen before the end
    QTest::addColumn<bool>("clear");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("checkedSize"); // empty: none
    QTest::addColumn<QString>("clearWritten");
    QTest::addColumn<QString>("sizeWritten");

    QTest::newRow("nothing stored")
        << QString() << QString() << QString() << false << 8 << "Psmomal1"
        << "0"
        << "8";
    QTest::newRow("9 points, no size item") << "1"
                                            << "9" << QString() << true << 9 << ""
                                            << "1"
                                            << "9";
    QTest::newRow("hexadecimal 0x0C") << "0"
                                      << "0x0C" << QString() << false << 12 << "Psmovelk1"
                                      << "0"
                                      << "12";
    QTest::newRow("hexadecimal clear flag") << "0X1"
                                            << "10" << QString() << true << 10 << "Psmostedn1"
                                            << "1"
                                            << "10";
    QTest::newRow("not numbers give the defaults")
        << "ano"
        << "velké" << QString() << false << 8 << "Psmomal1"
        << "0"
        << "8";
    QTest::newRow("size chosen in the menu") << "1"
                                             << "9"
                                             << "Psmovelk1" << true << 9 << ""
                                             << "1"
                                             << "12";
    QTest::newRow("clear switched off") << "1"
                                        << "8"
                                        << "MazatPV" << true << 8 << "Psmomal1"
                                        << "0"
                                        << "8";
}

void OutputWindowTest::settingsRoundTrip()
{
    QFETCH(QString, clearText);
    QFETCH(QString, sizeText);
    QFETCH(QString, userAction);
    QFETCH(bool, clear);
    QFETCH(int, points);
    QFETCH(QString, checkedSize);
    QFETCH(QString, clearWritten);
    QFETCH(QString, sizeWritten);

    m_alone.reset();
    const QString clearKey = QStringLiteral("Vypis/Clear_Window");
    const QString sizeKey = QStringLiteral("Vypis/Font_size");
    kwtest::storeSetting(clearKey,
                         clearText.isNull() ? std::nullopt : std::optional<QString>(clearText));
    kwtest::storeSetting(sizeKey,
                         sizeText.isNull() ? std::nullopt : std::optional<QString>(sizeText));
    createWindow();

    QCOMPARE(action("MazatPV")->isChecked(), clear);
    QCOMPARE(m_window->fontSize(), points);
    for (const char* name : {"Psmomal1", "Psmostedn1", "Psmovelk1"})
        QCOMPARE(action(name)->isChecked(), checkedSize == QLatin1String(name));
    // Lines written afterwards take the stored size.
    output().WriteOutputLine("line");
    QCOMPARE(pointSizeOf(m_memo->document()->firstBlock()), double(points));

    if (!userAction.isEmpty())
        action(userAction.toLatin1().constData())->trigger();
    m_alone.reset();
    QCOMPARE(kwtest::storedSetting(clearKey), clearWritten);
    QCOMPARE(kwtest::storedSetting(sizeKey), sizeWritten);
}

void OutputWindowTest::sizeItemSelectsAllButLinesGoToTheEnd()
{
    output().SetOutputStyle(1);
    output().WriteOutputLine("first");
    output().SetOutputStyle(0);
    output().WriteOutputLine("second");

    action("Psmovelk1")->trigger();
    QVERIFY(action("Psmovelk1")->isChecked());
    QVERIFY(!action("Psmomal1")->isChecked());
    QVERIFY(!action("Psmostedn1")->isChecked());
    QCOMPARE(m_memo->textCursor().selectedText().size(), m_memo->document()->characterCount() - 1);
    for (QTextBlock block = m_memo->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            QCOMPARE(it.fragment().charFormat().fontPointSize(), 12.0);
    // The styles stay as they were.
    QCOMPARE(lines(), (QStringList{"first|B", "second|"}));

    output().SetOutputStyle(0);
    QVERIFY(!m_memo->textCursor().hasSelection());
    output().WriteOutputLine("third");
    QCOMPARE(texts(), (QStringList{"first", "second", "third"}));
    QCOMPARE(pointSizeOf(m_memo->document()->findBlockByNumber(2)), 12.0);
}

void OutputWindowTest::textStyleItems_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("style");
    QTest::newRow("Obyčejný") << "Obyejn1"
                              << "";
    QTest::newRow("Tučný") << "Tun1"
                           << "B";
    QTest::newRow("Šikmý") << "ikm1"
                           << "I";
    QTest::newRow("Podtržený") << "Podtren1"
                               << "U";
    QTest::newRow("Tučný + Podtržený") << "TunPodtren1"
                                       << "BU";
    QTest::newRow("Šikmý + Podtržený") << "ikmPodtren1"
                                       << "IU";
    QTest::newRow("Šikmý+Tučný") << "ikmTun1"
                                 << "BI";
    QTest::newRow("Šikmý+Tučný+Podtržený") << "ikmTunPodtren1"
                                           << "BIU";
}

void OutputWindowTest::textStyleItems()
{
    QFETCH(QString, item);
    QFETCH(QString, style);

    // The style replaces the line's style, whatever it was.
    output().SetOutputStyle(2);
    output().WriteOutputLine("first");
    output().SetOutputStyle(1);
    output().WriteOutputLine("second");
    QTextCursor cursor(m_memo->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    m_memo->setTextCursor(cursor);

    action(item.toLatin1().constData())->trigger();
    QCOMPARE(lines(), (QStringList{"first|IU", "second|" + style}));
}

void OutputWindowTest::capacityDropsOldestLines()
{
    // 10 characters and a separator a line: 5 lines fit into 55 characters.
    m_window->setCapacity(55);
    for (int i = 0; i < 12; ++i)
        output().WriteOutputLine(QStringLiteral("line %1").arg(i, 5).toStdString());
    QCOMPARE(texts(),
             (QStringList{"line     7", "line     8", "line     9", "line    10", "line    11"}));

    // Many more lines than one removal batch: the document keeps only the latest.
    m_window->setCapacity(1100);
    for (int i = 0; i < 1000; ++i)
        output().WriteOutputLine(QStringLiteral("line %1").arg(i, 5).toStdString());
    const QStringList kept = texts();
    QCOMPARE(kept.size(), 100);
    QCOMPARE(kept.first(), QStringLiteral("line   900"));
    QCOMPARE(kept.last(), QStringLiteral("line   999"));
    QVERIFY(m_memo->document()->characterCount() - 1 <= 1100);
}

void OutputWindowTest::lineLongerThanCapacityStandsAlone()
{
    m_window->setCapacity(30);
    output().WriteOutputLine("short 1");
    output().WriteOutputLine("short 2");
    const std::string longLine(100, 'x');
    output().WriteOutputLine(longLine);
    QCOMPARE(texts(), QStringList{QString::fromStdString(longLine)});
    // The next line pushes it out again.
    output().WriteOutputLine("short 3");
    QCOMPARE(texts(), QStringList{"short 3"});
}

void OutputWindowTest::userEditsWhenNotReadOnly()
{
    output().WriteOutputLine("a");
    output().WriteOutputLine("b");
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    // Read-only: typing changes nothing.
    m_memo->moveCursor(QTextCursor::Start);
    QTest::keyClicks(m_memo, "Z");
    QCOMPARE(texts(), (QStringList{"a", "b"}));

    action("Pouzeproten1")->trigger();
    QVERIFY(!action("Pouzeproten1")->isChecked());
    QVERIFY(!m_memo->isReadOnly());
    m_memo->moveCursor(QTextCursor::Start);
    QTest::keyClicks(m_memo, "X");
    m_memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_memo, "tail");
    // The caret is wherever the user left it; the line still goes to the end,
    // and the user's unfinished line stays a line of its own.
    m_memo->moveCursor(QTextCursor::Start);
    output().WriteOutputLine("c");
    QCOMPARE(texts(), (QStringList{"Xa", "b", "tail", "c"}));

    action("Pouzeproten1")->trigger();
    QVERIFY(m_memo->isReadOnly());
}

void OutputWindowTest::clearAllKeepsPendingPiece()
{
    output().WriteOutputLine("old");
    output().WriteOutput("piece ");
    action("Zruve1")->trigger();
    QCOMPARE(texts(), QStringList());
    output().WriteOutputLine("end");
    QCOMPARE(texts(), QStringList{"piece end"});
}

void OutputWindowTest::copyKeepsFormatting()
{
    output().SetOutputStyle(1);
    output().WriteOutputLine("Hlavička");
    output().SetOutputStyle(0);
    output().WriteOutputLine("  12.5");
    action("Vyberve1")->trigger();
    action("Kopruj1")->trigger();

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QCOMPARE(data->text(), QStringLiteral("Hlavička\n  12.5\n"));
    QVERIFY(data->hasHtml());
    QTextDocument pasted;
    pasted.setHtml(data->html());
    QCOMPARE(describeBlock(pasted.firstBlock()), QStringLiteral("Hlavička|B"));
    QCOMPARE(describeBlock(pasted.firstBlock().next()), QStringLiteral("  12.5|"));
}

void OutputWindowTest::printToPdf()
{
    // Enough lines for several pages, one of them too long for the paper.
    output().SetOutputStyle(1);
    output().WriteOutputLine("VÝPIS OBDOBÍ");
    output().SetOutputStyle(0);
    for (int i = 0; i < 300; ++i)
        output().WriteOutputLine(QStringLiteral("[%1] %2")
                                     .arg(i)
                                     .arg(QString(i % 50 ? 10 : 400, QLatin1Char('8')))
                                     .toStdString());

    const kwtest::PrintedPdf pdf =
        kwtest::printToPdf([this](QPrinter& printer) { return m_window->printText(printer); });
    QVERIFY(pdf.printed);
    QCOMPARE(pdf.docName, QStringLiteral("Ahoj"));
    QVERIFY(pdf.bytes.startsWith("%PDF"));
    // 300 lines at 8 points are more than one page, and nothing is printed twice.
    const qsizetype pages = pdf.pages();
    QVERIFY2(pages >= 3 && pages <= 12, QByteArray::number(pages).constData());
    // The text itself stays in the view.
    QCOMPARE(texts().size(), 301);
}

void OutputWindowTest::saveAsPdf()
{
    output().WriteOutputLine("STARÝ VÝPIS");
    output().MarkListingStart();
    m_window->setReportHeading([] {
        return kw::ReportHeading{{"Archiv", "DEMO"}, {"Blok", "3 – Činný odběr [kW]"}};
    });
    output().WriteOutputLine("");
    output().SetOutputStyle(1);
    output().WriteOutputLine("    **** VÝPIS OBDOBÍ: BŘEZEN 2024");
    output().SetOutputStyle(0);
    // Headings often enough that some fall at the foot of a page.
    for (int i = 0; i < 300; ++i) {
        if (i % 2 == 1) {
            output().SetOutputStyle(1);
            if (i % 10 == 9)
                output().WriteOutputLine("");
            output().WriteOutputLine(QStringLiteral("  ** DEN %1").arg(i).toStdString());
            output().SetOutputStyle(0);
        }
        output().WriteOutputLine(QStringLiteral("[%1] hodnota").arg(i).toStdString());
    }
    // A row of the group statistics, 130 columns wide, stays one row.
    QString wide = QStringLiteral("Celkem");
    for (int column = 0; wide.size() < 124; ++column)
        wide += QStringLiteral("%1").arg(column * 7.5, 8, 'f', 1);
    wide += QStringLiteral(" KONEC");
    output().WriteOutputLine(wide.toStdString());

    QTemporaryDir dir;
    const auto run = [](const QString& program, const QStringList& args) {
        QProcess process;
        process.start(program, args);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    const auto save = [&](const QString& name, bool wholeWindow) {
        const QString path = dir.filePath(name);
        kwtest::FileDialogAnswerer answer(path, QStringLiteral("WholeWindow"), wholeWindow);
        kwtest::findChild<QAction>(m_window, QStringLiteral("UlozitPDF1"))->trigger();
        return path;
    };
    const QString path = save(QStringLiteral("vypis.pdf"), false);
    // The listing's first line is the title; every page carries its number.
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    QVERIFY2(info.contains(QStringLiteral("Title:           **** VÝPIS OBDOBÍ: BŘEZEN 2024")),
             qPrintable(info));
    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(!text.contains(QStringLiteral("STARÝ VÝPIS")));
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY2(pages.size() >= 3, qPrintable(text.left(400)));
    QVERIFY(pages.first().contains(QStringLiteral("**** VÝPIS OBDOBÍ: BŘEZEN 2024")));
    for (int n = 1; n <= pages.size(); ++n) {
        const QString& page = pages[n - 1];
        QVERIFY2(page.contains(QStringLiteral("strana %1 z %2").arg(n).arg(pages.size())),
                 qPrintable(page.right(200)));
        QVERIFY2(page.contains(QStringLiteral("Archiv: DEMO")) &&
                     page.contains(QStringLiteral("Blok: 3 – Činný odběr [kW]")) &&
                     page.contains(QStringLiteral("Vytištěno:")),
                 qPrintable(page.left(300)));
        // The last line above the footer is never a heading.
        QStringList body = page.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        body.removeLast();
        QVERIFY2(!body.last().contains(QStringLiteral("**")), qPrintable(body.last()));
    }
    // Every row once, none cut or repeated at a page break.
    for (int i = 0; i < 300; ++i)
        QCOMPARE(text.count(QStringLiteral("[%1] hodnota").arg(i)), 1);
    // pdftotext spaces the columns its own way.
    bool whole = false;
    for (const QString& line : text.split(QLatin1Char('\n')))
        whole = whole || line.simplified() == wide.simplified();
    QVERIFY2(whole, qPrintable(pages.last().right(300)));
    // Page 1 as a picture: its rows reach down to the footer.
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-singlefile"),
         QStringLiteral("-png"), path, dir.filePath(QStringLiteral("p"))});
    const QImage first(dir.filePath(QStringLiteral("p.png")));
    QVERIFY(!first.isNull());
    bool reached = false;
    for (int y = first.height() * 85 / 100; y < first.height() * 92 / 100; ++y)
        for (int x = 0; x < first.width(); ++x)
            reached = reached || qGray(first.pixel(x, y)) < 128;
    QVERIFY(reached);

    // Asked for, the whole window.
    const QString all = run(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-layout"), save(QStringLiteral("okno.pdf"), true), QStringLiteral("-")});
    QVERIFY(all.startsWith(QStringLiteral("Archiv")) &&
            all.contains(QStringLiteral("STARÝ VÝPIS")));
}

QTEST_MAIN(OutputWindowTest)
#include "output_window_test.moc"
