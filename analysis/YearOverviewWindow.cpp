#include "analysis/YearOverviewWindow.h"

#include "analysis/ContractWindow.h"
#include "analysis/QuietListing.h"
#include "analysis/WindowNumbers.h"
#include "archive/ArchiveDescription.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/MonthFile.h"
#include "archive/ProgramLocation.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "export/ExportWindowSupport.h"
#include "listing/DayListing.h"
#include "listing/PeriodTree.h"
#include "ui/WindowSupport.h"

#include <qcustomplot.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace kw {

namespace {

enum Column {
    MonthColumn,
    CountColumn,
    EnergyColumn,
    AverageColumn,
    MaxColumn,
    TimeColumn,
    OverColumn
};

// A capacity as typed: a decimal point or comma, no grouping; empty is none.
bool ParseCapacity(const QString& typed, std::optional<double>& capacity)
{
    QString text = typed.trimmed();
    if (text.isEmpty()) {
        capacity.reset();
        return true;
    }
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 ||
        text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return false;
    capacity = value;
    return true;
}

} // namespace

YearOverviewWindow::YearOverviewWindow(const ProgramLocation& location,
                                       const ArchiveDescription& description,
                                       const DayArchive& archive, const ListingSettings& settings,
                                       const DayDivision& division, QWidget* parent)
    : QWidget(parent, Qt::Window), m_location(location), m_description(description),
      m_archive(archive), m_settings(settings), m_division(division)
{
    setObjectName(QStringLiteral("YearOverviewWindow"));
    setWindowTitle(QStringLiteral("Roční přehled"));
    // The overview follows its month files: one copied over or written
    // shows within about a second, as a change does in the main window.
    auto* watch = new QTimer(this);
    watch->setInterval(1000);
    connect(watch, &QTimer::timeout, this, [this] {
        if (isVisible())
            relistWhenFilesChanged();
    });
    watch->start();
    setFont(WindowFont(8));
    resize(800, 700);

    auto* choices = new QHBoxLayout;
    const auto label = [this, choices](const QString& text) {
        auto* l = new QLabel(text, this);
        choices->addWidget(l);
        return l;
    };
    label(QStringLiteral("Rok:"));
    ComboBoxRok = new QComboBox(this);
    ComboBoxRok->setObjectName(QStringLiteral("ComboBoxRok"));
    choices->addWidget(ComboBoxRok);
    choices->addSpacing(12);
    label(QStringLiteral("Blok:"));
    ComboBoxBlok = new QComboBox(this);
    ComboBoxBlok->setObjectName(QStringLiteral("ComboBoxBlok"));
    ComboBoxBlok->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choices->addWidget(ComboBoxBlok);
    choices->addSpacing(12);
    label(QStringLiteral("Rezervovaná kapacita:"));
    EditKapacita = new QLineEdit(this);
    EditKapacita->setObjectName(QStringLiteral("EditKapacita"));
    EditKapacita->setPlaceholderText(QStringLiteral("nezadána"));
    EditKapacita->setToolTip(
        QStringLiteral("V jednotce bloku; prázdné pole znamená bez rezervované kapacity"));
    EditKapacita->setFixedWidth(
        EditKapacita->fontMetrics().horizontalAdvance(QStringLiteral("nezadána0000")) + 12);
    choices->addWidget(EditKapacita);
    LabelJednotka = label(QString());
    LabelJednotka->setObjectName(QStringLiteral("LabelJednotka"));
    choices->addStretch(1);
    // The actions on the table sit beside its summary line, where the
    // choices above leave them room.
    auto* buttons = new QHBoxLayout;
    ButtonKopirovat = new QPushButton(QStringLiteral("Kopírovat"), this);
    ButtonKopirovat->setObjectName(QStringLiteral("ButtonKopirovat"));
    ButtonKopirovat->setAutoDefault(false);
    buttons->addWidget(ButtonKopirovat);
    // One button for the exports, the formats in its menu.
    m_exports = new QMenu(this);
    AddExportItems(
        m_exports, nullptr, this, QStringLiteral("rocni-prehled"),
        [this]() -> std::optional<ExportSource> {
            // Never figures older than the files.
            relistWhenFilesChanged();
            if (m_overview.months.empty())
                return std::nullopt;
            const SeriesBlock block{m_overview.block, m_overview.blockName, m_overview.unit, true};
            return YearExportSource(
                m_overview, m_months,
                ExportParameters(m_location.ProgramPath, m_location.DeviceNo, block,
                                 m_overview.unit,
                                 std::to_string(m_overview.year) + " (kalendářní měsíce)", 0,
                                 m_overview.capacity));
        });
    ButtonExport = new QPushButton(QStringLiteral("Exportovat"), this);
    ButtonExport->setObjectName(QStringLiteral("ButtonExport"));
    ButtonExport->setAutoDefault(false);
    ButtonExport->setMenu(m_exports);
    buttons->addWidget(ButtonExport);

    TablePrehled = new QTableWidget(0, 7, this);
    TablePrehled->setObjectName(QStringLiteral("TablePrehled"));
    TablePrehled->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablePrehled->setSelectionBehavior(QAbstractItemView::SelectRows);
    TablePrehled->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TablePrehled->verticalHeader()->hide();
    // Twelve months fit without scrolling.
    TablePrehled->verticalHeader()->setDefaultSectionSize(TablePrehled->fontMetrics().height() + 6);
    TablePrehled->setAlternatingRowColors(true);
    TablePrehled->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    TablePrehled->setToolTip(QStringLiteral("Dvojklik na měsíc: výpis CELÝ MĚSÍC v hlavním okně"));
    TablePrehled->setContextMenuPolicy(Qt::ActionsContextMenu);
    TablePrehled->installEventFilter(this);

    LabelSouhrn = new QLabel(this);
    LabelSouhrn->setObjectName(QStringLiteral("LabelSouhrn"));

    ChartPrehled = new QCustomPlot(this);
    ChartPrehled->setObjectName(QStringLiteral("ChartPrehled"));
    ChartPrehled->setMinimumHeight(220);

    // Table above, chart below; the user moves the border between them.
    auto* tablePart = new QWidget(this);
    auto* tableLayout = new QVBoxLayout(tablePart);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(TablePrehled);
    auto* summaryRow = new QHBoxLayout;
    summaryRow->addWidget(LabelSouhrn, 1);
    summaryRow->addLayout(buttons);
    tableLayout->addLayout(summaryRow);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tablePart);
    splitter->addWidget(ChartPrehled);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    // The table as high as twelve months and the sum need, the chart the rest.
    splitter->setSizes({TablePrehled->verticalHeader()->defaultSectionSize() * 13 +
                            TablePrehled->horizontalHeader()->sizeHint().height() +
                            2 * LabelSouhrn->sizeHint().height(),
                        400});
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(splitter, 1);
    // Where a saved export says where it went.
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    layout->addWidget(status);

    VypsatMesic1 = new QAction(QStringLiteral("Vypsat měsíc (CELÝ MĚSÍC)"), this);
    VypsatMesic1->setObjectName(QStringLiteral("VypsatMesic1"));
    Kopirovat1 = new QAction(QStringLiteral("Kopírovat"), this);
    Kopirovat1->setObjectName(QStringLiteral("Kopirovat1"));
    // Shown in the menu; the table claims Ctrl+C for its current cell, so
    // the key reaches copyTable through the event filter.
    Kopirovat1->setShortcut(QKeySequence::Copy);
    Kopirovat1->setShortcutContext(Qt::WidgetShortcut);
    Kopirovat1->setShortcutVisibleInContextMenu(true);
    TablePrehled->addActions({VypsatMesic1, Kopirovat1});
    TablePrehled->addActions(m_exports->actions());

    connect(VypsatMesic1, &QAction::triggered, this,
            [this] { listMonthOfRow(TablePrehled->currentRow()); });
    connect(Kopirovat1, &QAction::triggered, this, &YearOverviewWindow::copyTable);
    connect(ButtonKopirovat, &QPushButton::clicked, this, &YearOverviewWindow::copyTable);
    connect(TablePrehled, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { listMonthOfRow(row); });
    // The contract's RK is that of the year shown.
    connect(ComboBoxRok, &QComboBox::activated, this, [this] {
        showCapacity();
        relist();
    });
    connect(ComboBoxBlok, &QComboBox::activated, this, [this] {
        showCapacity();
        relist();
    });
    connect(EditKapacita, &QLineEdit::editingFinished, this, &YearOverviewWindow::capacityEdited);
    connect(EditKapacita, &QLineEdit::textEdited, this, &YearOverviewWindow::capacityTyped);

    // The chart: the energy as bars on the left axis, the maximum and the
    // capacity as lines on the right one.
    QCustomPlot* c = ChartPrehled;
    c->setFont(WindowFont(8));
    c->yAxis2->setVisible(true);
    auto* ticker = new QCPAxisTickerText;
    for (int m = 1; m <= 12; ++m)
        ticker->addTick(m, QString::fromUtf8(CzechMonthAbbreviations[m - 1]));
    c->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(ticker));
    c->xAxis->setRange(0.4, 12.6);
    c->xAxis->grid()->setVisible(false);
    auto* energy = new QCPBars(c->xAxis, c->yAxis);
    energy->setWidth(0.6);
    energy->setPen(QPen(QColor(40, 90, 160)));
    energy->setBrush(QColor(90, 140, 210));
    auto* maximum = c->addGraph(c->xAxis, c->yAxis2);
    maximum->setPen(QPen(QColor(200, 110, 0), 2));
    maximum->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 6));
    auto* capacity = c->addGraph(c->xAxis, c->yAxis2);
    capacity->setPen(QPen(QColor(200, 0, 0), 2, Qt::DashLine));
    capacity->setName(QStringLiteral("Rezervovaná kapacita"));
    // The legend in a row of its own above the chart, clear of the bars.
    c->legend->setVisible(true);
    c->legend->setFont(WindowFont(8));
    c->legend->setFillOrder(QCPLegend::foColumnsFirst);
    c->legend->setBorderPen(Qt::NoPen);
    auto* top = new QCPLayoutGrid;
    c->plotLayout()->insertRow(0);
    c->plotLayout()->addElement(0, 0, top);
    c->plotLayout()->setRowStretchFactor(0, 0.001);
    top->addElement(0, 0, c->legend);
    top->addElement(0, 1, new QCPLayoutElement(c));
    top->setColumnStretchFactor(0, 0.001);
}

void YearOverviewWindow::showYear(int32_t year)
{
    prepare(year);
    ShowWindowNormal(this);
}

void YearOverviewWindow::archiveChanged()
{
    // A listing that switches description files also renews the block
    // list; only another device or folder makes another overview.
    if (isVisible() &&
        (m_shownFolder != m_location.ProgramPath || m_shownDevice != m_location.DeviceNo))
        prepare(chosenYear());
}

void YearOverviewWindow::prepare(int32_t year)
{
    m_shownFolder = m_location.ProgramPath;
    m_shownDevice = m_location.DeviceNo;
    m_blocks = OverviewBlocks(m_location.ProgramPath, m_location.DeviceNo);
    fillChoices(year, MatchingBlock(m_blocks, m_description.CurrentBlockTitle));
    // A capacity kept per user before the contract file moves into it; a
    // failed move leaves it in the settings, where the field still finds it.
    MigrateReservedCapacity(m_location.ProgramPath, m_location.DeviceNo, m_blocks);
    showCapacity();
    relist();
}

void YearOverviewWindow::contractChanged()
{
    if (!isVisible() || m_capacitySaving)
        return;
    showCapacity();
    summarise();
}

void YearOverviewWindow::showCapacity()
{
    const BlockCapacity capacity =
        CapacityOfBlock(m_location.ProgramPath, m_location.DeviceNo, chosenBlock(),
                        MonthKey(chosenYear(), 1) + "-01");
    m_contractCapacity = capacity.fromContract;
    EditKapacita->setText(capacity.value ? CzechNumber(*capacity.value) : QString());
    markCapacity();
}

void YearOverviewWindow::fillChoices(int32_t year, int32_t block)
{
    const QSignalBlocker yearBlocker(ComboBoxRok);
    const QSignalBlocker blockBlocker(ComboBoxBlok);
    ComboBoxRok->clear();
    for (const PeriodYearNode& node :
         PeriodTreeContent(DirectoryListing(m_location.ProgramPath), m_archive))
        ComboBoxRok->addItem(QString::number(node.year), node.year);
    // A year without month files has no overview: the newest one with them.
    const int at = ComboBoxRok->findData(year);
    ComboBoxRok->setCurrentIndex(at >= 0 ? at : 0);

    ComboBoxBlok->clear();
    for (const OverviewBlock& b : m_blocks)
        ComboBoxBlok->addItem(QString::fromStdString(b.title), b.number);
    const int entry = ComboBoxBlok->findData(block);
    ComboBoxBlok->setCurrentIndex(entry >= 0 ? entry : 0);
}

int32_t YearOverviewWindow::chosenYear() const
{
    return ComboBoxRok->currentIndex() < 0 ? 0 : ComboBoxRok->currentData().toInt();
}

int32_t YearOverviewWindow::chosenBlock() const
{
    return ComboBoxBlok->currentIndex() < 0 ? 0 : ComboBoxBlok->currentData().toInt();
}

const OverviewBlock* YearOverviewWindow::chosenBlockInfo() const
{
    for (const OverviewBlock& b : m_blocks)
        if (b.number == chosenBlock())
            return &b;
    return nullptr;
}

std::string YearOverviewWindow::filesSignature() const
{
    return MonthFilesSignature(m_location.ProgramPath, m_archive, chosenYear());
}

void YearOverviewWindow::relistWhenFilesChanged()
{
    if (!m_months.empty() && filesSignature() != m_filesSignature)
        relist();
}

void YearOverviewWindow::relist()
{
    m_filesSignature = filesSignature();
    m_months.clear();
    if (chosenYear() > 0 && chosenBlock() > 0) {
        struct WaitCursor {
            WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
            ~WaitCursor() { QApplication::restoreOverrideCursor(); }
        } wait;
        // The conversion the main window lists with now; the calendar months
        // start at midnight, as an invoice's do.
        QuietListing quiet(m_location.ProgramPath, m_location.DeviceNo, m_settings, 0);
        m_months = ListYear(quiet, chosenYear(), chosenBlock());
    }
    summarise();
}

void YearOverviewWindow::summarise()
{
    YearOverviewFacts facts;
    facts.device = m_location.DeviceNo;
    facts.block = chosenBlock();
    facts.year = chosenYear();
    if (const OverviewBlock* b = chosenBlockInfo())
        facts.unit = b->unit;
    facts.impulses = !m_settings.ConvertValues;
    std::optional<double> capacity;
    if (ParseCapacity(EditKapacita->text(), capacity))
        facts.capacity = capacity;
    m_overview = SummariseYear(m_months, facts);
    LabelJednotka->setText(QString::fromStdString(facts.unit));
    EditKapacita->setEnabled(!facts.impulses);
    showTable();
    showChart();
}

void YearOverviewWindow::showTable()
{
    const YearOverview& o = m_overview;
    const QString unit = QString::fromStdString(o.unit);
    const QString energyUnit = QString::fromStdString(o.energyUnit);
    TablePrehled->setHorizontalHeaderLabels(
        {QStringLiteral("Měsíc"), QStringLiteral("Čtvrthodin"),
         QStringLiteral("Energie [%1]").arg(energyUnit), QStringLiteral("Průměr [%1]").arg(unit),
         QStringLiteral("Maximum [%1]").arg(unit), QStringLiteral("Čas maxima"),
         QStringLiteral("Nad kapacitou")});
    TablePrehled->clearSelection();
    TablePrehled->setRowCount(static_cast<int>(o.months.size()));
    double energy = 0;
    int32_t count = 0, over = 0;
    const MonthOverview* peak = nullptr;
    for (std::size_t i = 0; i < o.months.size(); ++i) {
        const MonthOverview& m = o.months[i];
        // An unfinished month, a gap or a day not read shows as what it is.
        const bool whole = m.count == m.expected && m.state == MonthState::Data;
        const QString cells[] = {
            QString::fromStdString(MonthNames(m.month)),
            m.state == MonthState::NoFile ? QStringLiteral("bez souboru")
            : whole                       ? QString::number(m.count)
                                          : QStringLiteral("%1 z %2").arg(m.count).arg(m.expected),
            // No values: nothing to show, which zeros would not say.
            m.count > 0 ? CzechFixed(m.energy, 2) : QString(),
            m.count > 0 ? CzechFixed(m.average, 2) : QString(),
            m.count > 0 ? CzechNumber(m.maximum) : QString(),
            m.count > 0 ? QuarterHourEndText(m.maximumX) : QString(),
            // None set: nothing to be over, which a 0 would not say.
            o.capacity ? QString::number(m.overCapacity) : QStringLiteral("–"),
        };
        for (int col = 0; col < 7; ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            item->setTextAlignment(col == MonthColumn || col == TimeColumn
                                       ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
            if (col == OverColumn && o.capacity && m.overCapacity > 0)
                item->setForeground(QColor(190, 0, 0));
            if (col == CountColumn && !whole && m.state != MonthState::NoFile)
                item->setForeground(m.state == MonthState::Data ? QColor(150, 90, 0)
                                                                : QColor(190, 0, 0));
            if (!m.reason.empty())
                item->setToolTip(QString::fromStdString(m.reason));
            TablePrehled->setItem(static_cast<int>(i), col, item);
        }
        energy += m.energy;
        count += m.count;
        over += m.overCapacity;
        if (m.count > 0 && (!peak || m.maximum > peak->maximum))
            peak = &m;
    }
    // A month that cannot be read must not pass for a month without data.
    QString unread;
    for (const std::string& failure : YearFailures(o))
        unread += QStringLiteral("\nNelze přečíst %1").arg(QString::fromStdString(failure));
    LabelSouhrn->setStyleSheet(unread.isEmpty() ? QString() : QStringLiteral("color: #b00000"));
    if (!peak) {
        LabelSouhrn->setText((o.block > 0
                                  ? QStringLiteral("Rok %1 nemá data tohoto bloku.").arg(o.year)
                                  : QStringLiteral("Zařízení nemá blok k zobrazení.")) +
                             unread);
        return;
    }
    QString summary =
        QStringLiteral("Celkem za rok: %1 %2 (%3 čtvrthodin), maximum %4 %5 (%6)")
            .arg(CzechFixed(energy, 2), energyUnit)
            .arg(count)
            .arg(CzechNumber(peak->maximum), unit, QuarterHourEndText(peak->maximumX));
    if (o.capacity)
        summary += QStringLiteral(", nad kapacitou %1 čtvrthodin").arg(over);
    LabelSouhrn->setText(summary + unread);
}

void YearOverviewWindow::showChart()
{
    const YearOverview& o = m_overview;
    QCustomPlot* c = ChartPrehled;
    auto* energy = qobject_cast<QCPBars*>(c->plottable(0));
    QCPGraph* maximum = c->graph(0);
    QCPGraph* capacity = c->graph(1);
    QVector<double> months, energies, maxima;
    double top = 0, energyTop = 0;
    for (const MonthOverview& m : o.months) {
        if (m.count == 0)
            continue;
        months << m.month;
        energies << m.energy;
        maxima << m.maximum;
        top = std::max(top, m.maximum);
        energyTop = std::max(energyTop, m.energy);
    }
    energy->setData(months, energies, true);
    maximum->setData(months, maxima, true);
    const QString unit = QString::fromStdString(o.unit);
    const QString energyUnit = QString::fromStdString(o.energyUnit);
    energy->setName(QStringLiteral("Energie [%1]").arg(energyUnit));
    maximum->setName(QStringLiteral("Maximum [%1]").arg(unit));
    if (o.capacity) {
        capacity->setData({0.4, 12.6}, {*o.capacity, *o.capacity}, true);
        capacity->addToLegend();
        top = std::max(top, *o.capacity);
    } else {
        capacity->data()->clear();
        capacity->removeFromLegend();
    }
    c->xAxis->setLabel(QStringLiteral("Rok %1").arg(o.year));
    c->yAxis->setLabel(QStringLiteral("Energie [%1]").arg(energyUnit));
    c->yAxis2->setLabel(QStringLiteral("Maximum [%1]").arg(unit));
    // Room above the highest bar and point for the legend.
    c->yAxis->setRange(0, energyTop > 0 ? energyTop * 1.25 : 1);
    c->yAxis2->setRange(0, top > 0 ? top * 1.25 : 1);
    c->replot();
}

bool YearOverviewWindow::markCapacity()
{
    std::optional<double> capacity;
    const bool valid = ParseCapacity(EditKapacita->text(), capacity);
    EditKapacita->setStyleSheet(valid ? QString() : QStringLiteral("background: #ffd0d0"));
    const QString meaning =
        m_contractCapacity
            ? QStringLiteral("Roční rezervovaná kapacita smlouvy platná k 1. 1. %1 (soubor %2)")
                  .arg(chosenYear())
                  .arg(QLatin1String(ContractFile::FileName))
            : QStringLiteral("V jednotce bloku");
    EditKapacita->setToolTip(
        valid ? meaning + QStringLiteral("; prázdné pole znamená bez rezervované kapacity")
              : QStringLiteral("Zadejte číslo 0 nebo větší, např. 250 nebo 62,5; "
                               "prázdné pole znamená bez rezervované kapacity"));
    return valid;
}

void YearOverviewWindow::capacityTyped()
{
    // Checked and counted as typed; an invalid value counts nothing.
    markCapacity();
    summarise();
}

void YearOverviewWindow::capacityEdited()
{
    std::optional<double> capacity;
    if (!markCapacity() || !ParseCapacity(EditKapacita->text(), capacity)) {
        summarise();
        return;
    }
    if (m_contractCapacity) {
        // Focus leaving for the message box ends the editing once more.
        if (m_capacitySaving)
            return;
        m_capacitySaving = true;
        const std::string problem = SetContractCapacity(m_location.ProgramPath, m_location.DeviceNo,
                                                        chosenYear(), capacity);
        if (!problem.empty()) {
            QMessageBox box(
                QMessageBox::Critical, QStringLiteral("Rezervovaná kapacita"),
                QStringLiteral("Rezervovanou kapacitu se nepodařilo uložit do "
                               "smlouvy (soubor %1): %2")
                    .arg(QString::fromStdString(ContractFile::StoragePath(m_location.ProgramPath)),
                         QString::fromStdString(problem)),
                QMessageBox::Ok, this);
            box.setObjectName(QStringLiteral("CapacitySaveErrorBox"));
            box.exec();
        }
        // What the file holds now, whether saved or not.
        showCapacity();
        m_capacitySaving = false;
    } else if (chosenBlock() > 0) {
        SetReservedCapacity(QString::fromStdString(m_location.ProgramPath), m_location.DeviceNo,
                            chosenBlock(), capacity);
    }
    // The months stay listed; only the count above the capacity changes.
    summarise();
}

void YearOverviewWindow::listMonthOfRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_overview.months.size()))
        return;
    const OverviewBlock* block = chosenBlockInfo();
    emit wholeMonthRequested(m_overview.year,
                             m_overview.months[static_cast<std::size_t>(row)].month,
                             block ? QString::fromStdString(block->title) : QString());
}

void YearOverviewWindow::copyTable()
{
    // The selected rows, or all of them when none is selected; with the
    // headings, tab-separated, as a spreadsheet takes it.
    QList<int> rows;
    for (const QModelIndex& index : TablePrehled->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty())
        for (int r = 0; r < TablePrehled->rowCount(); ++r)
            rows << r;
    QStringList lines;
    QStringList cells;
    for (int col = 0; col < TablePrehled->columnCount(); ++col)
        cells << TablePrehled->horizontalHeaderItem(col)->text();
    lines << cells.join(QLatin1Char('\t'));
    for (const int r : rows) {
        cells.clear();
        for (int col = 0; col < TablePrehled->columnCount(); ++col)
            cells << (TablePrehled->item(r, col) ? TablePrehled->item(r, col)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool YearOverviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The table would copy only its current cell.
    if (watched == TablePrehled && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyTable();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kw
