#pragma once

#include <QDialog>

namespace kw {

class Application;

// TForm6: the list of the output sums.
class OutputSumsWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumsWindow(Application& app, QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

private:
    Application& m_app;
};

} // namespace kw
