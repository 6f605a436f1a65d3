// The LOG window: what reaches Memo1, clearing, and the mode switch.

#include "output/Log.h"
#include "output/LogWindow.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <memory>

class LogWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void design();
    void linesAppearInOrder();
    void clearKeepsPendingPiece();
    void enterDoesNotClear();
    void modeSwitch_data();
    void modeSwitch();
    void manyLines();
    void destroyedWindowLeavesLogUsable();

private:
    QStringList lines() const
    {
        const QString text = m_memo->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }

    kw::Log m_log;
    std::unique_ptr<kw::LogWindow> m_window;
    QPlainTextEdit* m_memo = nullptr;
};

void LogWindowTest::init()
{
    m_log = kw::Log();
    m_window = std::make_unique<kw::LogWindow>(m_log);
    m_memo = m_window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    QVERIFY(m_memo);
}

void LogWindowTest::cleanup()
{
    m_window.reset();
}

void LogWindowTest::design()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("TForm2"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("LOG informace"));
    QCOMPARE(m_window->minimumSize(), QSize(530, 397));
    QCOMPARE(m_window->maximumSize(), QSize(530, 397));
    QCOMPARE(m_memo->geometry(), QRect(0, 0, 409, 397));
    QVERIFY(m_memo->isReadOnly());
    QVERIFY(!m_window->isVisible());

    // The right column holds the button above the group; nothing overlaps the view.
    const auto* button = m_window->findChild<QPushButton*>(QStringLiteral("Button1"));
    const auto* group = m_window->findChild<QGroupBox*>();
    QCOMPARE(button->text(), QStringLiteral("Smaž vše"));
    QCOMPARE(group->title(), QStringLiteral("Zobrazit"));
    QCOMPARE(button->width(), 105);
    QCOMPARE(group->width(), 105);
    QVERIFY(button->x() >= 409 && button->geometry().right() < 530);
    QVERIFY(group->y() > button->geometry().bottom());
    for (const char* name : {"RadioButton1", "RadioButton2"}) {
        const auto* radio = m_window->findChild<QRadioButton*>(QLatin1String(name));
        QVERIFY2(radio->width() >= radio->sizeHint().width(), name);
        QVERIFY2(group->contentsRect().contains(radio->geometry()), name);
    }
}

void LogWindowTest::linesAppearInOrder()
{
    // Lines arrive while the window is hidden.
    m_log.WriteLog(false, "* Inicializace modulu ProgPath");
    m_log.WriteLog(true, "  READ_LIST_INI FILE: /x/D0LARCH.INI :-1");
    m_log.WriteLog(false, "DEN 01 \\");
    m_log.WriteLog(false, " ");
    QCOMPARE(lines(), (QStringList{"* Inicializace modulu ProgPath",
                                   "  READ_LIST_INI FILE: /x/D0LARCH.INI :-1", "DEN 01  "}));
}

void LogWindowTest::clearKeepsPendingPiece()
{
    m_log.WriteLog(true, "old");
    m_log.WriteLog(true, "abc\\");
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    QCOMPARE(lines(), QStringList());
    m_log.WriteLog(true, "def");
    QCOMPARE(lines(), QStringList{"abcdef"});
}

void LogWindowTest::enterDoesNotClear()
{
    m_window->show();
    m_log.WriteLog(false, "kept");
    m_memo->setFocus();
    QTest::keyClick(m_memo, Qt::Key_Return);
    QTest::keyClick(m_window.get(), Qt::Key_Enter);
    QCOMPARE(lines(), QStringList{"kept"});
}

void LogWindowTest::modeSwitch_data()
{
    QTest::addColumn<bool>("errorsOnly");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Vše") << false << QStringList{"before", "info", "failed", "*start"};
    QTest::newRow("Pouze chyby") << true << QStringList{"before", "failed", "*start"};
}

void LogWindowTest::modeSwitch()
{
    QFETCH(bool, errorsOnly);
    QFETCH(QStringList, expected);

    auto* all = m_window->findChild<QRadioButton*>(QStringLiteral("RadioButton1"));
    auto* errors = m_window->findChild<QRadioButton*>(QStringLiteral("RadioButton2"));
    QVERIFY(all->isChecked());
    QCOMPARE(m_log.LogMode, 2);

    // Clicked on the indicator, where a user clicks.
    auto click = [](QRadioButton* radio) {
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
    };
    m_log.WriteLog(false, "before");
    m_window->show();
    click(errorsOnly ? errors : all);
    QCOMPARE(m_log.LogMode, errorsOnly ? 1 : 2);
    m_log.WriteLog(false, "info");
    m_log.WriteLog(true, "failed");
    m_log.WriteLog(false, "*start");
    QCOMPARE(lines(), expected);

    // Back to all lines: what was dropped stays dropped, later lines all come.
    click(all);
    QCOMPARE(m_log.LogMode, 2);
    m_log.WriteLog(false, "after");
    QCOMPARE(lines(), expected + QStringList{"after"});
}

void LogWindowTest::manyLines()
{
    m_window->show();
    const int count = 5000;
    for (int i = 0; i < count; ++i)
        m_log.WriteLog(i % 7 == 0, "line " + std::to_string(i));
    QCOMPARE(m_memo->blockCount(), count);
    QCOMPARE(m_memo->document()->findBlockByNumber(count - 1).text(),
             QStringLiteral("line %1").arg(count - 1));
    QCOMPARE(m_memo->document()->findBlockByNumber(0).text(), QStringLiteral("line 0"));
}

void LogWindowTest::destroyedWindowLeavesLogUsable()
{
    m_window.reset();
    m_log.WriteLog(true, "nobody listens");
    QCOMPARE(m_log.pending(), std::string());
}

QTEST_MAIN(LogWindowTest)
#include "log_window_test.moc"
