#include "output/OutputWindow.h"

#include "app/Application.h"

namespace kw {

OutputWindow::OutputWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("QX5view - výstupní okno"));
    setFont(WindowFont(8));
    resize(613, 471);
    move(145, 167);
}

} // namespace kw
