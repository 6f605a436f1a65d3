#include "calendar/CalendarWindow.h"

#include "app/Application.h"

namespace kw {

CalendarWindow::CalendarWindow(Application& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Kalendář"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(WindowFont(8));
    setFixedSize(233, 204);
}

void CalendarWindow::RegisterDayButtons()
{
    // The calendar work connects the 37 day buttons here.
}

} // namespace kw
