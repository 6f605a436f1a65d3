#pragma once

#include <QMainWindow>

namespace kw {

class Application;

// TForm9: the bar chart of the last listing. The chart library stays inside
// GraphWindow.cpp.
class GraphWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit GraphWindow(Application& app, QWidget* parent = nullptr);

private:
    Application& m_app;
};

} // namespace kw
