#include "calendar/CalendarWindow.h"

#include "ui/Help.h"
#include "ui/WindowSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace kw {

namespace {

constexpr int DayButtonWidth = 25;
constexpr int DayButtonHeight = 17;

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    // A grid of 37 buttons is walked with the mouse; Tab stays on the few others.
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CalendarWindow::CalendarWindow(Calendar& calendar, QWidget* parent)
    : QDialog(parent), m_calendar(calendar)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Kalendář"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(WindowFont(8));
    setFixedSize(233, 204);
    // The buttons' texts are short; Fusion's padding would cut "[31]".
    setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));

    const char* const weekdays[7] = {"Po", "Út", "St", "Čt", "Pá", "So", "Ne"};
    for (int row = 0; row < 7; ++row) {
        auto* label = new QLabel(QString::fromUtf8(weekdays[row]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(row + 1));
        label->setGeometry(8, 24 + 24 * row, 22, DayButtonHeight);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    for (int n = 1; n <= DayButtonCount; ++n) {
        const DayButtonPosition place = DayButtonPlace(n);
        QPushButton* button = makeButton(this, QStringLiteral("Button%1").arg(n), QString(),
                                         QRect(place.x, place.y, DayButtonWidth, DayButtonHeight));
        button->hide();
        connect(button, &QPushButton::clicked, this, [this, button] { clickDay(button); });
    }

    ButtonPM = makeButton(this, QStringLiteral("ButtonPM"), QStringLiteral("<"),
                          QRect(32, 2, DayButtonWidth, DayButtonHeight));
    ButtonPM->setToolTip(QStringLiteral("Nastavení předcházejícího měsíce"));
    connect(ButtonPM, &QPushButton::clicked, this, &CalendarWindow::showPreviousMonth);
    ButtonNM = makeButton(this, QStringLiteral("ButtonNM"), QStringLiteral(">"),
                          QRect(192, 2, DayButtonWidth, DayButtonHeight));
    ButtonNM->setToolTip(QStringLiteral("Nastavení následujícího měsíce"));
    connect(ButtonNM, &QPushButton::clicked, this, &CalendarWindow::showNextMonth);

    // The sixth column has only Monday and Tuesday: the corner below is free.
    Button38 = makeButton(this, QStringLiteral("Button38"), QStringLiteral("?"),
                          QRect(192, 180, DayButtonWidth, 21));
    Button38->setCursor(Qt::WhatsThisCursor);
    connect(Button38, &QPushButton::clicked, this, &CalendarWindow::openHelp);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* title = PopupMenu1->addAction(QStringLiteral("x       Změna typu dne"));
    title->setObjectName(QStringLiteral("PopupTitle"));
    PopupMenu1->addSeparator();
    auto addItem = [this](const char* name, const QString& caption, PopupItem item) {
        QAction* action = PopupMenu1->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, item] { changeDay(item); });
        return action;
    };
    O = addItem("O", QStringLiteral("O - dle kalendáře"), PopupItem::O);
    P = addItem("P", QStringLiteral("P - pracovní"), PopupItem::P);
    S = addItem("S", QStringLiteral("S - den pracovního volna"), PopupItem::S);
    N = addItem("N", QStringLiteral("N -den pracovního klidu"), PopupItem::N);
    PopupMenu1->addSeparator();
    KEM = addItem("KEM", QStringLiteral("Konec energetického měsíce"), PopupItem::KEM);
    ZKEM = addItem("ZKEM", QStringLiteral("Zrušení konce enrgertického měsíce"), PopupItem::ZKEM);
    PopupMenu1->addSeparator();
    QAction* holidays = PopupMenu1->addAction(QStringLiteral("Doplnit státní svátky"));
    holidays->setObjectName(QStringLiteral("DoplnitSvatky"));
    connect(holidays, &QAction::triggered, this, &CalendarWindow::addPublicHolidays);

    m_calendar.Changed = [this] { refresh(); };
    refresh();
}

CalendarWindow::~CalendarWindow()
{
    // The calendar outlives its window.
    m_calendar.Changed = nullptr;
}

void CalendarWindow::addPublicHolidays()
{
    std::vector<std::string> written;
    if (!RunUserAction(this, [&] { written = m_calendar.AddPublicHolidays(); }))
        return;
    // The LOG window is not where the user looks: the window says what it did.
    QStringList days;
    for (const std::string& key : written)
        days << QString::fromStdString(key) + QLatin1Char('.');
    const QString year = QString::fromStdString(m_calendar.YearText);
    QMessageBox box(
        QMessageBox::Information, QStringLiteral("Státní svátky"),
        written.empty()
            ? QStringLiteral("Všechny státní svátky roku %1 už v kalendáři jsou.").arg(year)
            : QStringLiteral("Státní svátky roku %1 označené jako N: %2 (%3)")
                  .arg(year)
                  .arg(written.size())
                  .arg(days.join(QStringLiteral(", "))),
        QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("HolidaysBox"));
    box.exec();
}

void CalendarWindow::RegisterDayButtons()
{
    for (int n = 1; n <= DayButtonCount; ++n)
        m_dayButtons[static_cast<std::size_t>(n - 1)] =
            findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
    refresh();
}

void CalendarWindow::refresh()
{
    setWindowTitle(QString::fromStdString(m_calendar.Caption));
    ButtonPM->setVisible(m_calendar.MonthButtonsVisible);
    ButtonNM->setVisible(m_calendar.MonthButtonsVisible);
    if (!m_dayButtons[0])
        return;
    const auto buttons = m_calendar.DayButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* button = m_dayButtons[i];
        const DayButton& day = buttons[i];
        if (!day.visible) {
            button->hide();
            continue;
        }
        button->setText(QString::fromStdString(day.caption));
        QFont font = this->font();
        font.setItalic(day.fontStyle == FontItalic);
        font.setBold(day.fontStyle == FontBold);
        button->setFont(font);
        button->show();
    }
}

void CalendarWindow::clickDay(QPushButton* button)
{
    if (!m_dayButtons[0])
        return;
    DayClick click;
    // In selection mode the handler runs the listing; its failure is shown here.
    RunUserAction(this, [&] {
        click = m_calendar.ClickDay(button->text().toStdString(), [this] { hide(); });
    });
    if (!click.showPopup)
        return;
    O->setEnabled(click.popup.O);
    P->setEnabled(click.popup.P);
    S->setEnabled(click.popup.S);
    N->setEnabled(click.popup.N);
    KEM->setEnabled(click.popup.KEM);
    ZKEM->setEnabled(click.popup.ZKEM);
    const QRect frame = frameGeometry();
    PopupMenu1->popup(QPoint(frame.left() + button->x() + 10, frame.top() + button->y() + 30));
}

void CalendarWindow::changeDay(PopupItem item)
{
    // Written to KALEND.INI at once; a failed write leaves the month as the
    // file now holds it.
    bool done = true;
    if (RunUserAction(this, [&] { done = m_calendar.PopupAction(item); }) && !done)
        QMessageBox::information(this, QStringLiteral("Kalendář"),
                                 QStringLiteral("Kalendář tohoto měsíce mezitím změnil jiný "
                                                "program; změna nebyla provedena. Zobrazen je "
                                                "nynější stav."));
}

void CalendarWindow::showPreviousMonth()
{
    RunUserAction(this, [this] { m_calendar.ShowPreviousMonth(); });
}

void CalendarWindow::showNextMonth()
{
    RunUserAction(this, [this] { m_calendar.ShowNextMonth(); });
}

void CalendarWindow::openHelp()
{
    OpenHelp(this, QStringLiteral("MENU_KALEND"));
}

} // namespace kw
