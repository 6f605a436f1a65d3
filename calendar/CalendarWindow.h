#pragma once

#include "calendar/Calendar.h"

#include <QDialog>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace kw {

class Application;

// TForm4: one month of the calendar as a grid of day buttons, for editing the
// day types or for picking a day. It draws whatever month the calendar last
// loaded, also while hidden.
class CalendarWindow : public QDialog {
    Q_OBJECT

public:
    explicit CalendarWindow(Application& app, QWidget* parent = nullptr);
    ~CalendarWindow() override;

    // Takes Button1..Button37 as the day buttons, once at start-up.
    void RegisterDayButtons();
    // Caption, month buttons and day buttons from the loaded month.
    void refresh();

private:
    void ButtonKClick(QPushButton* button);
    void ButtonPMClick();
    void ButtonNMClick();
    void Button38Click();
    void PopupItemClick(PopupItem item);

    Application& m_app;
    Calendar& m_calendar;

    std::array<QLabel*, 7> m_weekdayLabels{};
    std::array<QPushButton*, DayButtonCount> m_buttons{}; // Button1..Button37
    // The registered day buttons; empty until RegisterDayButtons.
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
