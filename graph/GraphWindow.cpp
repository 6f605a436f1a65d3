#include "graph/GraphWindow.h"

#include "app/Application.h"

namespace kw {

GraphWindow::GraphWindow(Application& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm9"));
    setWindowTitle(QStringLiteral("Graf spotřeby energie"));
    // Sizeable, with minimise but without maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    resize(655, 456);
    move(110, 102);
}

} // namespace kw
