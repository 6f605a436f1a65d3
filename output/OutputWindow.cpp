#include "output/OutputWindow.h"

#include "app/Application.h"

namespace kw {

OutputWindow::OutputWindow(Application& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("QX5view - výstupní okno"));
    setFont(WindowFont(8));
    resize(613, 471);
    move(145, 167);
}

} // namespace kw
