#pragma once

#include "calendar/Calendar.h"

#include <QDialog>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace kw {

// TForm4: one month of the calendar as a grid of day buttons, for editing the
// day types or for picking a day. It draws whatever month the calendar last
// loaded, also while hidden.
class CalendarWindow : public QDialog {
    Q_OBJECT

public:
    explicit CalendarWindow(Calendar& calendar, QWidget* parent = nullptr);
    ~CalendarWindow() override;

    // Takes Button1..Button37 as the day buttons, once at start-up.
    void RegisterDayButtons();
    // Caption, month buttons and day buttons from the loaded month.
    void refresh();

private:
    // "Doplnit státní svátky", then a message of the days it marked.
    void addPublicHolidays();
    // Slots of the buttons and the popup menu.
    void clickDay(QPushButton* button);
    void showPreviousMonth();
    void showNextMonth();
    void openHelp();
    void changeDay(PopupItem item);

    Calendar& m_calendar;

    // Button1..Button37 once registered; none before RegisterDayButtons.
    std::array<QPushButton*, DayButtonCount> m_dayButtons{};
    QPushButton* ButtonPM = nullptr;
    QPushButton* ButtonNM = nullptr;
    QPushButton* Button38 = nullptr;

    QMenu* PopupMenu1 = nullptr;
    QAction* O = nullptr;
    QAction* P = nullptr;
    QAction* S = nullptr;
    QAction* N = nullptr;
    QAction* KEM = nullptr;
    QAction* ZKEM = nullptr;
};

} // namespace kw
