// TForm3 takes the lines of a listing into its document at once and lays them
// out when control returns to the event loop. These cases check what the user
// then sees: the end of the text or the place the user scrolled to, a
// horizontal scroll bar as wide as the widest line, and a document that a
// listing much longer than the view does not swell.

#include "GuiSupport.h"
#include "output/Output.h"
#include "output/OutputWindow.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <string>

namespace {

struct Window {
    kwtest::BareEngine bare;
    QPrinter printer;
    kw::OutputWindow window{bare.engine.output, printer};
};

std::string numberedLine(int i, int width)
{
    std::string line = "line " + std::to_string(i) + " ";
    line.resize(static_cast<std::size_t>(width), '.');
    return line;
}

} // namespace

class OutputSpeedTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void viewAfterListing_data();
    void viewAfterListing();
    void longListingStaysNearCapacity();

private:
    kw::Output& output() { return m_window->bare.engine.output; }
    QPlainTextEdit* memo() const
    {
        return kwtest::findChild<QPlainTextEdit>(&m_window->window, QStringLiteral("Memo1"));
    }
    // Whether the line of `block` lies wholly inside the visible part of the view.
    bool shown(const QTextBlock& block) const
    {
        return memo()->viewport()->rect().contains(memo()->cursorRect(QTextCursor(block)));
    }

    std::unique_ptr<Window> m_window;
};

void OutputSpeedTest::initTestCase()
{
    QVERIFY(kwtest::isolateSettings());
}

void OutputSpeedTest::init()
{
    kwtest::clearSettings();
    m_window = std::make_unique<Window>();
    m_window->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window->window));
}

void OutputSpeedTest::cleanup()
{
    m_window.reset();
}

void OutputSpeedTest::viewAfterListing_data()
{
    QTest::addColumn<bool>("scrolledToTop"); // by the user, after a first listing
    QTest::addColumn<bool>("styleFirst");    // the listing begins with SetOutputStyle
    QTest::addColumn<int>("firstWidth");     // of the listing's first line
    QTest::addColumn<bool>("endShown");
    QTest::addColumn<bool>("horizontalRange");

    QTest::newRow("a view at its end follows") << false << false << 20 << true << false;
    QTest::newRow("a view scrolled up stays") << true << false << 20 << false << false;
    QTest::newRow("SetOutputStyle shows the end") << true << true << 20 << true << false;
    QTest::newRow("a wide line out of sight widens the view")
        << false << true << 400 << true << true;
}

void OutputSpeedTest::viewAfterListing()
{
    QFETCH(bool, scrolledToTop);
    QFETCH(bool, styleFirst);
    QFETCH(int, firstWidth);
    QFETCH(bool, endShown);
    QFETCH(bool, horizontalRange);

    QTextDocument* document = memo()->document();
    for (int i = 0; i < 300; ++i)
        output().WriteOutputLine(numberedLine(i, 20));
    QCoreApplication::processEvents();
    QVERIFY(shown(document->lastBlock().previous()));
    if (scrolledToTop) {
        memo()->verticalScrollBar()->setValue(0);
        QCoreApplication::processEvents();
    }

    if (styleFirst)
        output().SetOutputStyle(0);
    output().WriteOutputLine(numberedLine(300, firstWidth));
    for (int i = 301; i < 600; ++i)
        output().WriteOutputLine(numberedLine(i, 20));
    QCoreApplication::processEvents();

    const QTextBlock last = document->lastBlock().previous();
    QCOMPARE(last.text(), QString::fromStdString(numberedLine(599, 20)));
    QCOMPARE(shown(last), endShown);
    QCOMPARE(shown(document->firstBlock()), !endShown);
    QCOMPARE(memo()->horizontalScrollBar()->maximum() > 0, horizontalRange);
}

void OutputSpeedTest::longListingStaysNearCapacity()
{
    const int capacity = 1100;
    m_window->window.setCapacity(capacity);
    QTextDocument* document = memo()->document();
    // Lines of 10 to 16 characters, without a return to the event loop.
    QStringList written;
    for (int i = 0; i < 2000; ++i) {
        const std::string line = numberedLine(i, 10 + i % 7);
        output().WriteOutputLine(line);
        written << QString::fromStdString(line);
        QVERIFY2(document->characterCount() - 1 <= 2 * capacity, qPrintable(written.last()));
    }
    // Every line is in the document as soon as it is written.
    QCOMPARE(document->lastBlock().previous().text(), written.last());

    // The newest lines that fit, each with its end, and not one more.
    QStringList kept;
    int used = 0;
    for (int i = written.size() - 1; i >= 0 && used + written[i].size() + 1 <= capacity; --i) {
        used += written[i].size() + 1;
        kept.prepend(written[i]);
    }
    QCoreApplication::processEvents();
    QCOMPARE(document->toPlainText(), kept.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

QTEST_MAIN(OutputSpeedTest)
#include "output_speed_test.moc"
