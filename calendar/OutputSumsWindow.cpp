#include "calendar/OutputSumsWindow.h"

#include "calendar/DayDivision.h"
#include "calendar/DayDivisionWindow.h"
#include "ui/WindowSupport.h"

#include <QHeaderView>
#include <QHideEvent>
#include <QPushButton>
#include <QTableWidget>

namespace kw {

OutputSumsWindow::OutputSumsWindow(DayDivision& division, const ProgramLocation& location,
                                   QWidget* parent)
    : QDialog(parent), m_division(division), m_location(location)
{
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QStringLiteral("Nastavení výstupních součtů"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(320, 384);

    StringGrid1 = new QTableWidget(DayDivision::NumOutputSums, 1, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGeometry(0, 0, 320, 384);
    SetUpSettingsGrid(StringGrid1, 60, 18);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->horizontalHeader()->setSectionsClickable(false);
    for (int s = 1; s <= DayDivision::NumOutputSums; ++s) {
        StringGrid1->setItem(s - 1, 0, new QTableWidgetItem);
        StringGrid1->setVerticalHeaderItem(s - 1,
                                           new QTableWidgetItem(QStringLiteral(" SKUP %1").arg(s)));
    }
    // A click opens the editor; so do Enter on a row and a click on its header.
    connect(StringGrid1, &QTableWidget::clicked, this,
            [this](const QModelIndex& index) { openOutputSum(index.row() + 1); });
    connect(StringGrid1, &QTableWidget::activated, this,
            [this](const QModelIndex& index) { openOutputSum(index.row() + 1); });
    connect(StringGrid1->verticalHeader(), &QHeaderView::sectionClicked, this,
            [this](int row) { openOutputSum(row + 1); });

    ButtonSave = new QPushButton(QStringLiteral("Ulož nastavení"), this);
    ButtonSave->setObjectName(QStringLiteral("ButtonSave"));
    ButtonSave->setAutoDefault(false);
    ButtonSave->setGeometry(32, 344, 113, 25);
    connect(ButtonSave, &QPushButton::clicked, this, &OutputSumsWindow::saveSettings);

    Button2 = MakeHelpButton(this, "Button2", QStringLiteral("MENU_VS"));
    Button2->setGeometry(289, 358, 25, 21);

    PrepareOutputSumList();
}

void OutputSumsWindow::prepareAndShow()
{
    PrepareOutputSumList();
    ShowWindowNormal(this);
}

void OutputSumsWindow::PrepareOutputSumList()
{
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral(" Název")});
    StringGrid1->setColumnWidth(0, 200);
    RefreshOutputSumList();
}

void OutputSumsWindow::RefreshOutputSumList()
{
    const DayDivision& division = m_division;
    for (int s = 1; s <= DayDivision::NumOutputSums; ++s)
        StringGrid1->item(s - 1, 0)->setText(QString::fromStdString(division.OutputSumName(s)));
}

void OutputSumsWindow::openOutputSum(int row)
{
    if (row < 1 || row > DayDivision::NumOutputSums)
        return;
    emit outputSumChosen(row);
}

void OutputSumsWindow::saveSettings()
{
    SaveDayDivisionSettings(m_division, m_location, this);
}

void OutputSumsWindow::hideEvent(QHideEvent* event)
{
    // The editor belongs to this list; its unconfirmed edits go with it. A
    // minimised list (a hide from the window system) leaves it alone.
    if (!event->spontaneous())
        emit listClosed();
    QDialog::hideEvent(event);
}

} // namespace kw
