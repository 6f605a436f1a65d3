#pragma once

#include <QDialog>

namespace kw {

class Application;

// TForm5: the groups of the day division and their quarter-hours.
class DayDivisionWindow : public QDialog {
    Q_OBJECT

public:
    explicit DayDivisionWindow(Application& app, QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

private:
    Application& m_app;
};

} // namespace kw
