#pragma once

#include <QDialog>

namespace kw {

// TForm6: the list of the output sums.
class OutputSumsWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumsWindow(QWidget* parent = nullptr);
};

} // namespace kw
