#include "calendar/ListingParametersWindow.h"

#include "app/Application.h"

namespace kw {

ListingParametersWindow::ListingParametersWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Nastavení parametru výpisu"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(405, 416);
}

} // namespace kw
