#include "app/AboutBox.h"

#include "ui/WindowSupport.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

namespace kw {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("O programu QX5view"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(WindowFont(8));
    setFixedSize(300, 161);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 284, 113);

    // Drawn at the label's size so the icon stays sharp on high-density screens.
    const qreal ratio = devicePixelRatioF();
    QPixmap icon(QSize(41, 41) * ratio);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    QSvgRenderer(QStringLiteral(":/kwatrix.svg")).render(&painter);
    painter.end();
    icon.setDevicePixelRatio(ratio);
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(icon);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setGeometry(12, 12, 41, 41);

    ProductName = new QLabel(QStringLiteral("Kwatrix"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = WindowFont(8);
    nameFont.setPixelSize(32);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    ProductName->setFont(nameFont);
    ProductName->move(72, 12);
    ProductName->adjustSize();

    Version = new QLabel(QStringLiteral("Version 2.01 Win95/98/NT"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Version->move(72, 72);
    Version->adjustSize();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(112, 129, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QWidget::hide);
}

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace kw
