#pragma once

#include <QMainWindow>

namespace kw {

// TForm3: the listing text of every run; created hidden, closing only hides it.
class OutputWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit OutputWindow(QWidget* parent = nullptr);
};

} // namespace kw
