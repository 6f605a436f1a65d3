#pragma once

#include <QDialog>

namespace kw {

class Application;

// TForm7: the groups of one output sum by day class.
class OutputSumWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumWindow(Application& app, QWidget* parent = nullptr);

private:
    Application& m_app;
};

} // namespace kw
