#pragma once

#include <QMainWindow>

namespace kw {

class Application;

// TForm3: the listing text of every run; created hidden, closing only hides it.
class OutputWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit OutputWindow(Application& app, QWidget* parent = nullptr);

private:
    Application& m_app;
};

} // namespace kw
