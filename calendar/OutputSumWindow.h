#pragma once

#include <QDialog>

namespace kw {

// TForm7: the groups of one output sum by day class.
class OutputSumWindow : public QDialog {
    Q_OBJECT

public:
    explicit OutputSumWindow(QWidget* parent = nullptr);
};

} // namespace kw
