#pragma once

#include <QDialog>

namespace kw {

class Application;

// TForm4: one month of the calendar as a grid of day buttons, for editing the
// day types or for picking a day.
class CalendarWindow : public QDialog {
    Q_OBJECT

public:
    explicit CalendarWindow(Application& app, QWidget* parent = nullptr);

    // Connects the day buttons once at start-up; the calendar work fills it.
    void RegisterDayButtons();

private:
    Application& m_app;
};

} // namespace kw
