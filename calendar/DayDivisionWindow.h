#pragma once

#include <QDialog>

namespace kw {

// TForm5: the groups of the day division and their quarter-hours.
class DayDivisionWindow : public QDialog {
    Q_OBJECT

public:
    explicit DayDivisionWindow(QWidget* parent = nullptr);
};

} // namespace kw
