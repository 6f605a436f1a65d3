#include "calendar/DayDivisionWindow.h"

#include "archive/AtomicFile.h"
#include "archive/Errors.h"
#include "archive/ProgramLocation.h"
#include "calendar/DayDivision.h"
#include "ui/WindowSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace kw {

namespace {

QString GroupLetter(int group)
{
    return QString(QChar(u'A' + (group - 1)));
}

QTableWidgetItem* cellAt(QTableWidget* grid, int row, int column)
{
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    return item;
}

void setCell(QTableWidget* grid, int row, int column, const QString& text)
{
    cellAt(grid, row, column)->setText(text);
}

QString cellText(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Group boxes lie over the grid; they take the window's colour, not the grid's.
QGroupBox* makeGroupBox(const QString& title, const char* name, QWidget* parent, const QRect& at)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    box->setAutoFillBackground(true);
    box->setGeometry(at);
    return box;
}

} // namespace

const DayDivisionWindow::OutputOptionBox DayDivisionWindow::OutputOptionBoxes[4] = {
    {&DayDivisionWindow::CheckBoxNCth, DayDivision::ShowCount},
    {&DayDivisionWindow::CheckBoxPrum, DayDivision::ShowAverage},
    {&DayDivisionWindow::CheckBoxMax, DayDivision::ShowMaximum},
    {&DayDivisionWindow::CheckBoxSoucet, DayDivision::ShowSum},
};

DayDivisionWindow::DayDivisionWindow(DayDivision& division, const ProgramLocation& location,
                                     QWidget* parent)
    : QDialog(parent), m_division(division), m_location(location)
{
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Rozdělení dne do směn"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(609, 401);

    StringGrid1 = new QTableWidget(DayDivision::NumGroups, 2, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGeometry(0, 0, 609, 401);
    SetUpSettingsGrid(StringGrid1, 60, 18);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral(" Název"), QStringLiteral(" Výstup")});
    // A click on a column header would select all 16 groups for one "< Zapiš".
    StringGrid1->horizontalHeader()->setSectionsClickable(false);
    StringGrid1->setColumnWidth(0, 200);
    StringGrid1->setColumnWidth(1, 60);
    QStringList groups;
    for (int g = 1; g <= DayDivision::NumGroups; ++g)
        groups << QStringLiteral(" SKUP ") + GroupLetter(g);
    StringGrid1->setVerticalHeaderLabels(groups);
    connect(StringGrid1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DayDivisionWindow::showClickedGroup);

    GroupBoxNazev =
        makeGroupBox(QStringLiteral(" Název "), "GroupBoxNazev", this, QRect(352, 8, 249, 49));
    EditNazev = new QLineEdit(GroupBoxNazev);
    EditNazev->setObjectName(QStringLiteral("EditNazev"));
    EditNazev->setMaxLength(static_cast<int>(DayDivision::GroupNameChars));
    EditNazev->setGeometry(8, 19, 161, 22);
    ButtonNastav = MakeSettingsButton(QStringLiteral("< Zapiš"), "ButtonNastav", GroupBoxNazev,
                                      QRect(176, 17, 65, 25));
    connect(ButtonNastav, &QPushButton::clicked, this, &DayDivisionWindow::writeGroupRows);
    connect(EditNazev, &QLineEdit::returnPressed, ButtonNastav, &QPushButton::click);

    GroupBoxVystup = makeGroupBox(QStringLiteral(" Výstup (součet za den)"), "GroupBoxVystup", this,
                                  QRect(352, 64, 249, 89));
    CheckBoxNCth = MakeSettingsCheckBox(QStringLiteral("Počet čtvrthodin"), "CheckBoxNCth",
                                        GroupBoxVystup, QRect(8, 20, 116, 19));
    CheckBoxPrum = MakeSettingsCheckBox(QStringLiteral("Průměr"), "CheckBoxPrum", GroupBoxVystup,
                                        QRect(8, 42, 116, 19));
    CheckBoxMax = MakeSettingsCheckBox(QStringLiteral("Maximum"), "CheckBoxMax", GroupBoxVystup,
                                       QRect(128, 20, 112, 19));
    CheckBoxSoucet = MakeSettingsCheckBox(QStringLiteral("Součet"), "CheckBoxSoucet",
                                          GroupBoxVystup, QRect(128, 42, 112, 19));
    ButtonZapisVystup = MakeSettingsButton(QStringLiteral("< Zapiš"), "ButtonZapisVystup",
                                           GroupBoxVystup, QRect(176, 59, 65, 25));
    connect(ButtonZapisVystup, &QPushButton::clicked, this, &DayDivisionWindow::writeGroupRows);

    GroupBoxNC = makeGroupBox(QStringLiteral(" Nastavení čtvrthodin "), "GroupBoxNC", this,
                              QRect(352, 160, 249, 217));
    StringGrid2 = new QTableWidget(QuarterHourGrid::Rows, QuarterHourGrid::Columns, GroupBoxNC);
    StringGrid2->setObjectName(QStringLiteral("StringGrid2"));
    StringGrid2->setFrameShape(QFrame::NoFrame);
    SetUpSettingsGrid(StringGrid2, 35, 18);
    StringGrid2->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid2->setItemDelegate(new NarrowCellDelegate(StringGrid2));
    for (int j = 0; j < QuarterHourGrid::Columns; ++j)
        StringGrid2->setColumnWidth(j, 10);
    StringGrid2->setGeometry(12, 20, 35 + 10 * QuarterHourGrid::Columns, 18 * 7);

    ButtonClearAll = MakeSettingsButton(QStringLiteral("Zruš vše"), "ButtonClearAll", GroupBoxNC,
                                        QRect(12, 152, 71, 25));
    Zapni =
        MakeSettingsButton(QStringLiteral("Nastav"), "Zapni", GroupBoxNC, QRect(89, 152, 71, 25));
    Vypni =
        MakeSettingsButton(QStringLiteral("Zruš"), "Vypni", GroupBoxNC, QRect(166, 152, 71, 25));
    ButtonCthOk = MakeSettingsButton(QStringLiteral("< Zapiš do tabulky"), "ButtonCthOk",
                                     GroupBoxNC, QRect(12, 184, 225, 25));
    connect(ButtonClearAll, &QPushButton::clicked, this, &DayDivisionWindow::unmarkAllQuarterHours);
    connect(Zapni, &QPushButton::clicked, this, &DayDivisionWindow::markSelectedQuarterHours);
    connect(Vypni, &QPushButton::clicked, this, &DayDivisionWindow::unmarkSelectedQuarterHours);
    connect(ButtonCthOk, &QPushButton::clicked, this, &DayDivisionWindow::writeQuarterHours);

    ButtonSave = MakeSettingsButton(QStringLiteral("Ulož nastavení"), "ButtonSave", this,
                                    QRect(32, 344, 113, 25));
    ButtonSave->setEnabled(false);
    connect(ButtonSave, &QPushButton::clicked, this, &DayDivisionWindow::saveSettings);

    Button2 = MakeHelpButton(this, "Button2", QStringLiteral("MENU_RDDS"));
    Button2->setGeometry(578, 378, 25, 21);

    PrepareDayDivisionEditor();
}

void DayDivisionWindow::prepareAndShow()
{
    PrepareDayDivisionEditor();
    ShowWindowNormal(this);
}

void DayDivisionWindow::PrepareDayDivisionEditor()
{
    GroupBoxNazev->hide();
    GroupBoxVystup->hide();
    GroupBoxNC->hide();
    ButtonNastav->hide();
    // With the boxes hidden, the next click must count as a new choice even
    // on the cell chosen last time.
    {
        const QSignalBlocker blocker(StringGrid1->selectionModel());
        StringGrid1->clearSelection();
    }
    StringGrid1->viewport()->update();

    QStringList rows;
    for (int r = 1; r <= QuarterHourGrid::Rows; ++r)
        rows << QString::fromStdString(QuarterHourGrid::RowHeader(r));
    StringGrid2->setVerticalHeaderLabels(rows);
    QStringList columns;
    for (int j = 1; j <= QuarterHourGrid::Columns; ++j)
        columns << QString(QChar::fromLatin1(QuarterHourGrid::ColumnHeader(j)));
    StringGrid2->setHorizontalHeaderLabels(columns);
    for (int j = 1; j <= QuarterHourGrid::Columns; ++j) {
        if (!QuarterHourGrid::IsSeparator(j))
            continue;
        for (int r = 1; r <= QuarterHourGrid::Rows; ++r)
            setCell(StringGrid2, r - 1, j - 1, QLatin1String(QuarterHourGrid::SeparatorText));
    }
    RefreshGroupTable();
}

void DayDivisionWindow::RefreshGroupTable()
{
    const DayDivision& division = m_division;
    for (int g = 1; g <= DayDivision::NumGroups; ++g) {
        setCell(StringGrid1, g - 1, 0, QString::fromStdString(division.GroupName(g)));
        setCell(StringGrid1, g - 1, 1,
                QString::fromStdString(OutputLetters(division.GroupOutputOptions(g))));
    }
}

void DayDivisionWindow::showClickedGroup()
{
    const CellRange selection = SelectionOf(StringGrid1);
    if (selection.empty()) {
        // Nothing chosen: nothing for the boxes to act on.
        GroupBoxNazev->hide();
        GroupBoxVystup->hide();
        GroupBoxNC->hide();
        return;
    }
    // Model rows and columns count from 0; the groups and the grid's data
    // columns count from 1.
    const int top = selection.top + 1;
    const int bottom = selection.bottom + 1;
    const int left = selection.left + 1;
    const int right = selection.right + 1;
    const DayDivision& division = m_division;

    EditNazev->setText(QString::fromStdString(division.GroupName(top)));
    GroupBoxNazev->setVisible(left == 1);
    GroupBoxVystup->setVisible(right == 2);
    ButtonNastav->show();
    GroupBoxNC->setVisible(top == bottom);

    const uint16_t options = division.GroupOutputOptions(top);
    for (const OutputOptionBox& o : OutputOptionBoxes)
        (this->*o.box)->setChecked((options & o.bit) != 0);

    for (int r = 1; r <= QuarterHourGrid::Rows; ++r) {
        for (int j = 1; j <= QuarterHourGrid::Columns; ++j) {
            const int q = QuarterHourGrid::QuarterHourOfCell(r, j);
            if (q < 0)
                continue;
            setCell(StringGrid2, r - 1, j - 1,
                    division.GroupHasQuarterHour(top, q) ? QStringLiteral("x") : QString());
        }
    }
}

void DayDivisionWindow::writeGroupRows()
{
    CellRange selection = SelectionOf(StringGrid1);
    if (selection.empty())
        return;
    selection.top += 1;
    selection.bottom += 1;
    selection.left += 1;
    selection.right += 1;
    uint16_t options = 0;
    for (const OutputOptionBox& o : OutputOptionBoxes)
        if ((this->*o.box)->isChecked())
            options |= o.bit;
    WriteGroupRows(m_division, selection, EditNazev->text().toStdString(), options);
    RefreshGroupTable();
    ButtonSave->setEnabled(true);
}

void DayDivisionWindow::markQuarterHours(const QString& text)
{
    for (const QTableWidgetSelectionRange& range : StringGrid2->selectedRanges()) {
        for (int row = range.topRow(); row <= range.bottomRow(); ++row) {
            for (int column = range.leftColumn(); column <= range.rightColumn(); ++column) {
                if (!QuarterHourGrid::IsSeparator(column + 1))
                    setCell(StringGrid2, row, column, text);
            }
        }
    }
}

void DayDivisionWindow::markSelectedQuarterHours()
{
    markQuarterHours(QStringLiteral("x"));
}

void DayDivisionWindow::unmarkSelectedQuarterHours()
{
    markQuarterHours(QString());
}

void DayDivisionWindow::unmarkAllQuarterHours()
{
    for (int r = 1; r <= QuarterHourGrid::Rows; ++r) {
        for (int j = 1; j <= QuarterHourGrid::Columns; ++j) {
            if (!QuarterHourGrid::IsSeparator(j))
                setCell(StringGrid2, r - 1, j - 1, QStringLiteral(" "));
        }
    }
}

void DayDivisionWindow::writeQuarterHours()
{
    const CellRange selection = SelectionOf(StringGrid1);
    if (selection.empty())
        return;
    QuarterHourSet members{};
    for (int r = 1; r <= QuarterHourGrid::Rows; ++r) {
        for (int j = 1; j <= QuarterHourGrid::Columns; ++j) {
            const int q = QuarterHourGrid::QuarterHourOfCell(r, j);
            if (q >= 0 && cellText(StringGrid2, r - 1, j - 1) == QLatin1String("x"))
                members[static_cast<std::size_t>(q)] = true;
        }
    }
    SetGroupQuarterHours(m_division, selection.top + 1, members);
    ButtonSave->setEnabled(true);
}

void DayDivisionWindow::saveSettings()
{
    // After a failed save the changes are still unsaved, so the button stays.
    if (SaveDayDivisionSettings(m_division, m_location, this))
        ButtonSave->setEnabled(false);
}

bool SaveDayDivisionSettings(DayDivision& division, const ProgramLocation& location,
                             QWidget* parent)
{
    int32_t code = division.SaveDayDivision(location.ProgramPath);
    const QString file = QString::fromStdString(DayDivision::StoragePath(location.ProgramPath));
    if (code == DayDivision::ChangedOnDisk) {
        // Another copy of the program saved its settings meanwhile: writing
        // ours would silently undo them.
        const auto answer = QMessageBox::warning(
            parent, QStringLiteral("Ulož nastavení"),
            QStringLiteral("Soubor %1 od načtení změnil jiný program (například jiná spuštěná "
                           "kopie Kwatrixu).\n\nUložením nastavení jeho změny přepíšete. "
                           "Přesto uložit?")
                .arg(file),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
        code = division.SaveDayDivision(location.ProgramPath, true);
    }
    if (code != 0) {
        QMessageBox::critical(
            parent, QString::fromUtf8(SaveFailureCaption),
            QString::fromStdString(SaveFailureText(file.toStdString(), division.LastErrorText)) +
                QStringLiteral("\nDosavadní obsah souboru zůstal beze změny; změněné nastavení "
                               "platí jen do ukončení programu."));
        return false;
    }
    if (!division.KeptCopyPath.empty())
        QMessageBox::information(
            parent, QStringLiteral("Ulož nastavení"),
            QStringLiteral("Původní soubor nastavení se nepodařilo načíst, proto byl před "
                           "uložením uschován jako\n%1")
                .arg(QString::fromStdString(division.KeptCopyPath)));
    return true;
}

CellRange SelectionOf(const QTableWidget* grid)
{
    CellRange bounds;
    bool first = true;
    for (const QTableWidgetSelectionRange& range : grid->selectedRanges()) {
        if (first) {
            bounds = {range.topRow(), range.leftColumn(), range.bottomRow(), range.rightColumn()};
            first = false;
            continue;
        }
        bounds.top = std::min(bounds.top, range.topRow());
        bounds.left = std::min(bounds.left, range.leftColumn());
        bounds.bottom = std::max(bounds.bottom, range.bottomRow());
        bounds.right = std::max(bounds.right, range.rightColumn());
    }
    return bounds;
}

} // namespace kw
