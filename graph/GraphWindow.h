#pragma once

#include <QMainWindow>

namespace kw {

// TForm9: the bar chart of the last listing. The chart library stays inside
// GraphWindow.cpp.
class GraphWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit GraphWindow(QWidget* parent = nullptr);
};

} // namespace kw
