#include "calendar/OutputSumWindow.h"

#include "calendar/DayDivision.h"
#include "ui/WindowSupport.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <iterator>

namespace kw {

namespace {

// Model columns of the grid: the group name, then one column per day class.
constexpr int NameColumn = 0;
constexpr int FirstClassColumn = 1;

// The day-class columns from left to right. Filling the grid from the record
// and writing the record from the grid both go through this table, so a
// column and its day class are paired in one place only.
struct DayClassColumn {
    const char* header;
    int32_t dayClass;
};
constexpr DayClassColumn DayClassColumns[] = {
    {"P", 0}, // working days
    {"S", 1}, // days off
    {"N", 2}, // rest days
};
constexpr int DayClasses = static_cast<int>(std::size(DayClassColumns));

} // namespace

OutputSumWindow::OutputSumWindow(DayDivision& division, QWidget* parent)
    : QDialog(parent), m_division(division)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("Nastavení výstupních součtů pro skupinu "));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(519, 335);

    StringGrid1 = new QTableWidget(DayDivision::NumGroups, 1 + DayClasses, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGeometry(0, 0, 519, 335);
    SetUpSettingsGrid(StringGrid1, 60, 18);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    QStringList headers{QString()};
    for (const DayClassColumn& c : DayClassColumns)
        headers << QLatin1String(c.header);
    StringGrid1->setHorizontalHeaderLabels(headers);
    StringGrid1->horizontalHeader()->setSectionsClickable(false);
    StringGrid1->verticalHeader()->setSectionsClickable(false);
    StringGrid1->setColumnWidth(NameColumn, 200);
    auto* narrow = new NarrowCellDelegate(StringGrid1);
    for (int c = FirstClassColumn; c < FirstClassColumn + DayClasses; ++c) {
        StringGrid1->setColumnWidth(c, 12);
        StringGrid1->setItemDelegateForColumn(c, narrow);
        StringGrid1->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
    }
    for (int g = 1; g <= DayDivision::NumGroups; ++g) {
        StringGrid1->setVerticalHeaderItem(
            g - 1, new QTableWidgetItem(QStringLiteral(" SKUP ") + QChar(u'A' + (g - 1))));
        // The group names are fixed like a header: they show, they are not chosen.
        auto* name = new QTableWidgetItem;
        name->setFlags(Qt::ItemIsEnabled);
        name->setBackground(palette().button());
        StringGrid1->setItem(g - 1, NameColumn, name);
        for (int c = FirstClassColumn; c < FirstClassColumn + DayClasses; ++c)
            StringGrid1->setItem(g - 1, c, new QTableWidgetItem);
    }

    GroupBoxNazev = new QGroupBox(QStringLiteral(" Název "), this);
    GroupBoxNazev->setObjectName(QStringLiteral("GroupBoxNazev"));
    GroupBoxNazev->setAutoFillBackground(true);
    GroupBoxNazev->setGeometry(312, 8, 199, 49);
    EditNazev = new QLineEdit(GroupBoxNazev);
    EditNazev->setObjectName(QStringLiteral("EditNazev"));
    EditNazev->setMaxLength(static_cast<int>(DayDivision::OutputSumNameChars));
    EditNazev->setGeometry(8, 19, 183, 22);

    ButtonZapni =
        MakeSettingsButton(QStringLiteral("Nastav"), "ButtonZapni", this, QRect(312, 72, 97, 25));
    ButtonVypni =
        MakeSettingsButton(QStringLiteral("Zruš"), "ButtonVypni", this, QRect(414, 72, 97, 25));
    ButtonClearAll = MakeSettingsButton(QStringLiteral("Zruš vše"), "ButtonClearAll", this,
                                        QRect(312, 104, 97, 25));
    ButtonOK = MakeSettingsButton(QStringLiteral("OK"), "ButtonOK", this, QRect(312, 298, 97, 25));
    ButtonCancel =
        MakeSettingsButton(QStringLiteral("Zruš"), "ButtonCancel", this, QRect(414, 298, 97, 25));
    connect(ButtonZapni, &QPushButton::clicked, this, &OutputSumWindow::markSelectedCells);
    connect(ButtonVypni, &QPushButton::clicked, this, &OutputSumWindow::unmarkSelectedCells);
    connect(ButtonClearAll, &QPushButton::clicked, this, &OutputSumWindow::unmarkAllCells);
    connect(ButtonOK, &QPushButton::clicked, this, &OutputSumWindow::applyAndClose);
    connect(ButtonCancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(EditNazev, &QLineEdit::returnPressed, ButtonOK, &QPushButton::click);
}

void OutputSumWindow::PrepareOutputSumEditor(int32_t n)
{
    if (n < 1 || n > DayDivision::NumOutputSums)
        return;
    m_sum = n;
    setWindowTitle(QStringLiteral("Nastavení výstupních součtů pro skupinu ") + QString::number(n));
    const DayDivision& division = m_division;
    for (int g = 1; g <= DayDivision::NumGroups; ++g) {
        StringGrid1->item(g - 1, NameColumn)
            ->setText(QString::fromStdString(division.GroupName(g)));
        for (int k = 0; k < DayClasses; ++k) {
            const int32_t dayClass = DayClassColumns[k].dayClass;
            const bool member = (division.OutputSumGroups(n, dayClass) >> g) & 1u;
            StringGrid1->item(g - 1, FirstClassColumn + k)
                ->setText(member ? QStringLiteral("x") : QString());
        }
    }
    StringGrid1->clearSelection();
    // The keyboard starts in the first day-class cell, not on a fixed name.
    StringGrid1->selectionModel()->setCurrentIndex(StringGrid1->model()->index(0, FirstClassColumn),
                                                   QItemSelectionModel::NoUpdate);
    EditNazev->setText(QString::fromStdString(division.OutputSumName(n)));
}

void OutputSumWindow::markCells(const QString& text)
{
    for (const QTableWidgetSelectionRange& range : StringGrid1->selectedRanges()) {
        for (int row = range.topRow(); row <= range.bottomRow(); ++row) {
            for (int c = std::max(range.leftColumn(), FirstClassColumn); c <= range.rightColumn();
                 ++c)
                StringGrid1->item(row, c)->setText(text);
        }
    }
}

void OutputSumWindow::markSelectedCells()
{
    markCells(QStringLiteral("x"));
}

void OutputSumWindow::unmarkSelectedCells()
{
    markCells(QString());
}

void OutputSumWindow::unmarkAllCells()
{
    for (int row = 0; row < DayDivision::NumGroups; ++row) {
        for (int c = FirstClassColumn; c < FirstClassColumn + DayClasses; ++c)
            StringGrid1->item(row, c)->setText(QString());
    }
}

void OutputSumWindow::applyAndClose()
{
    DayDivision& division = m_division;
    division.SetOutputSumName(m_sum, EditNazev->text().toStdString());
    for (int k = 0; k < DayClasses; ++k) {
        uint32_t groups = 0;
        for (int g = 1; g <= DayDivision::NumGroups; ++g) {
            if (StringGrid1->item(g - 1, FirstClassColumn + k)->text() == QLatin1String("x"))
                groups |= 1u << g;
        }
        division.SetOutputSumGroups(m_sum, DayClassColumns[k].dayClass, groups);
    }
    hide();
    emit outputSumChanged();
}

} // namespace kw
