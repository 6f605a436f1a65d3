#include "calendar/ListingParametersWindow.h"

#include "app/Application.h"

namespace kw {

ListingParametersWindow::ListingParametersWindow(Application& app, QWidget* parent)
    : QDialog(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Nastavení parametru výpisu"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(405, 416);
}

void ListingParametersWindow::prepareAndShow()
{
    ShowWindowNormal(this);
}

} // namespace kw
