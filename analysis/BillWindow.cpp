#include "analysis/BillWindow.h"

#include "analysis/QuietListing.h"
#include "analysis/WindowNumbers.h"
#include "archive/ArchiveDescription.h"
#include "archive/AtomicFile.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/MonthFile.h"
#include "archive/ProgramLocation.h"
#include "calendar/Calendar.h"
#include "calendar/DayDivision.h"
#include "export/ExportWindowSupport.h"
#include "export/Table.h"
#include "listing/DayListing.h"
#include "listing/PeriodTree.h"
#include "output/ReportPages.h"
#include "ui/ReportPage.h"
#include "ui/WindowSupport.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace kw {

namespace {

enum MonthColumn {
    MonthCol,
    StateCol,
    MaxCol,
    MaxTimeCol,
    CapacityCol,
    ExceedanceCol,
    EnergyCol,
    TanCol,
    CosCol,
    SurchargeCol,
    TotalCol,
    MonthColumns
};

enum InvoiceColumn { ItemCol, ComputedCol, InvoicedCol, DifferenceCol, PercentCol, InvoiceColumns };

// An invoice CSV of a few years is a few kB; anything far larger is not one.
constexpr uint64_t MaxInvoiceCsv = 4u << 20;

const QColor ExceedsBackground(255, 205, 205);
const QColor ExceedsText(170, 0, 0);

QString Money(const std::optional<double>& value)
{
    return value ? CzechFixed(*value, 2) : QString();
}

// An amount as a person types it: a decimal comma or point, blanks between
// thousands, an optional "Kč"; empty is none.
bool ParseAmount(QString text, std::optional<double>& value)
{
    text.remove(QStringLiteral("Kč"), Qt::CaseInsensitive);
    text.remove(QChar(0x00A0));
    text.remove(QChar(0x202F));
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    if (text.isEmpty()) {
        value.reset();
        return true;
    }
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ParseMonthKey(const std::string& key, int32_t& year, int32_t& month)
{
    int y = 0, m = 0;
    char tail = 0;
    if (std::sscanf(key.c_str(), "%4d-%2d%c", &y, &m, &tail) != 2 || m < 1 || m > 12)
        return false;
    year = y;
    month = m;
    return true;
}

// What the bill is computed from, without what the invoice check alone
// uses: a save that changed only invoices needs no new bills.
std::string TermsText(DeviceContract contract)
{
    contract.invoices.clear();
    contract.tolerancePercent = 0;
    Contracts one;
    one.devices.push_back(std::move(contract));
    return ContractText(one);
}

QString StateText(const MonthBill& m)
{
    if (m.active.state == MonthState::NoFile)
        return QStringLiteral("bez souboru");
    return m.complete ? QStringLiteral("úplný") : QStringLiteral("neúplný");
}

QString Reasons(const MonthBill& m)
{
    QStringList reasons;
    for (const std::string& r : m.incomplete)
        reasons << QString::fromStdString(r);
    if (!m.priced && m.complete)
        reasons << QStringLiteral("bez ceníku nebo smlouvy pro tento měsíc");
    return reasons.join(QLatin1Char('\n'));
}

void SetCell(QTableWidget* table, int row, int col, const QString& text, bool editable = false)
{
    QTableWidgetItem* item = table->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        table->setItem(row, col, item);
    }
    item->setText(text);
    item->setTextAlignment(col == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                    : Qt::AlignRight | Qt::AlignVCenter);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    item->setToolTip(QString());
    item->setData(Qt::BackgroundRole, QVariant());
    item->setData(Qt::ForegroundRole, QVariant());
    item->setData(Qt::FontRole, QVariant());
}

QString Padded(const QString& text, int width, bool right)
{
    return right ? text.rightJustified(width, QLatin1Char(' '))
                 : text.leftJustified(width, QLatin1Char(' '));
}

} // namespace

BillWindow::BillWindow(const ProgramLocation& location, const ArchiveDescription& description,
                       const DayArchive& archive, const ListingSettings& settings,
                       const DayDivision& division, QWidget* parent)
    : QWidget(parent, Qt::Window), m_location(location), m_description(description),
      m_archive(archive), m_settings(settings), m_division(division)
{
    setObjectName(QStringLiteral("BillWindow"));
    setWindowTitle(QStringLiteral("Kontrola vyúčtování"));
    setFont(WindowFont(8));
    resize(1120, 760);
    // Month files copied in and a contract saved by another copy of the
    // program show within about a second.
    auto* watch = new QTimer(this);
    watch->setInterval(1000);
    connect(watch, &QTimer::timeout, this, [this] {
        if (isVisible())
            relistWhenFilesChanged();
    });
    watch->start();

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("Rok:"), this));
    ComboBoxRok = new QComboBox(this);
    ComboBoxRok->setObjectName(QStringLiteral("ComboBoxRok"));
    choices->addWidget(ComboBoxRok);
    choices->addSpacing(12);
    choices->addWidget(new QLabel(QStringLiteral("Tolerance faktury [%]:"), this));
    EditTolerance = new QLineEdit(this);
    EditTolerance->setObjectName(QStringLiteral("EditTolerance"));
    EditTolerance->setToolTip(
        QStringLiteral("Rozdíl faktury od výpočtu, nad který je položka červená; ukládá se do "
                       "smlouvy"));
    EditTolerance->setFixedWidth(
        EditTolerance->fontMetrics().horizontalAdvance(QStringLiteral("000,000")) + 12);
    choices->addWidget(EditTolerance);
    choices->addStretch(1);
    ButtonDoporuceni = new QPushButton(QStringLiteral("Doporučení kapacity"), this);
    ButtonDoporuceni->setObjectName(QStringLiteral("ButtonDoporuceni"));
    ButtonImport = new QPushButton(QStringLiteral("Importovat faktury (CSV)…"), this);
    ButtonImport->setObjectName(QStringLiteral("ButtonImportovat"));
    ButtonExport = new QPushButton(QStringLiteral("Exportovat"), this);
    ButtonExport->setObjectName(QStringLiteral("ButtonExport"));
    m_exports = new QMenu(this);
    ButtonExport->setMenu(m_exports);
    for (QPushButton* b : {ButtonDoporuceni, ButtonImport, ButtonExport}) {
        b->setAutoDefault(false);
        choices->addWidget(b);
    }

    auto* problem = new QHBoxLayout;
    LabelSmlouva = new QLabel(this);
    LabelSmlouva->setObjectName(QStringLiteral("LabelSmlouva"));
    LabelSmlouva->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    LabelSmlouva->setWordWrap(true);
    ButtonSmlouva = new QPushButton(QStringLiteral("Smlouva a ceník…"), this);
    ButtonSmlouva->setObjectName(QStringLiteral("ButtonSmlouva"));
    ButtonSmlouva->setAutoDefault(false);
    problem->addWidget(LabelSmlouva, 1);
    problem->addWidget(ButtonSmlouva);

    TableVyuctovani = new QTableWidget(0, MonthColumns, this);
    TableVyuctovani->setObjectName(QStringLiteral("TableVyuctovani"));
    TableVyuctovani->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableVyuctovani->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableVyuctovani->setSelectionMode(QAbstractItemView::SingleSelection);
    TableVyuctovani->verticalHeader()->hide();
    TableVyuctovani->verticalHeader()->setDefaultSectionSize(
        TableVyuctovani->fontMetrics().height() + 6);
    TableVyuctovani->setHorizontalHeaderLabels(
        {QStringLiteral("Měsíc"), QStringLiteral("Stav"), QStringLiteral("Maximum [kW]"),
         QStringLiteral("Konec čtvrthodiny maxima"), QStringLiteral("RK [kW]"),
         QStringLiteral("Překročení RK [kW]"), QStringLiteral("Energie [kWh]"),
         QStringLiteral("tg φ"), QStringLiteral("cos φ"), QStringLiteral("Přirážka [%]"),
         QStringLiteral("Celkem [Kč]")});
    TableVyuctovani->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TableVyuctovani->horizontalHeader()->setStretchLastSection(true);
    TableVyuctovani->setToolTip(
        QStringLiteral("Dvojklik na měsíc: výpis CELÝ MĚSÍC v hlavním okně"));

    LabelFaktura = new QLabel(this);
    LabelFaktura->setObjectName(QStringLiteral("LabelFaktura"));
    TableFaktura = new QTableWidget(0, InvoiceColumns, this);
    TableFaktura->setObjectName(QStringLiteral("TableFaktura"));
    TableFaktura->setHorizontalHeaderLabels(
        {QStringLiteral("Položka"), QStringLiteral("Výpočet [Kč]"), QStringLiteral("Faktura [Kč]"),
         QStringLiteral("Rozdíl [Kč]"), QStringLiteral("Rozdíl [%]")});
    TableFaktura->verticalHeader()->hide();
    TableFaktura->verticalHeader()->setDefaultSectionSize(TableFaktura->fontMetrics().height() + 6);
    TableFaktura->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TableFaktura->horizontalHeader()->setSectionResizeMode(ItemCol, QHeaderView::Stretch);
    TableFaktura->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed);
    TableFaktura->setToolTip(
        QStringLiteral("Do sloupce Faktura zapište částky z faktury; Ctrl+V vloží sloupec čísel "
                       "od vybraného řádku"));
    TableFaktura->installEventFilter(this);

    LabelPodklady = new QLabel(this);
    LabelPodklady->setObjectName(QStringLiteral("LabelPodklady"));
    LabelPodklady->setWordWrap(true);
    LabelPodklady->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelPodklady->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ListNadRK = new QListWidget(this);
    ListNadRK->setObjectName(QStringLiteral("ListNadRK"));

    auto* invoicePart = new QWidget(this);
    auto* invoiceLayout = new QVBoxLayout(invoicePart);
    invoiceLayout->setContentsMargins(0, 0, 0, 0);
    invoiceLayout->addWidget(LabelFaktura);
    invoiceLayout->addWidget(TableFaktura, 1);
    auto* figuresPart = new QWidget(this);
    auto* figuresLayout = new QVBoxLayout(figuresPart);
    figuresLayout->setContentsMargins(0, 0, 0, 0);
    figuresLayout->addWidget(LabelPodklady);
    figuresLayout->addWidget(new QLabel(QStringLiteral("Čtvrthodiny nad RK (nejvyšší):"), this));
    figuresLayout->addWidget(ListNadRK, 1);
    auto* detail = new QSplitter(Qt::Horizontal, this);
    detail->addWidget(invoicePart);
    detail->addWidget(figuresPart);
    detail->setStretchFactor(0, 3);
    detail->setStretchFactor(1, 2);
    detail->setChildrenCollapsible(false);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(TableVyuctovani);
    splitter->addWidget(detail);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({TableVyuctovani->verticalHeader()->defaultSectionSize() * 12 +
                            TableVyuctovani->horizontalHeader()->sizeHint().height() + 4,
                        360});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(problem);
    layout->addWidget(splitter, 1);
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    layout->addWidget(status);

    connect(ComboBoxRok, &QComboBox::activated, this, [this] { relist(); });
    connect(TableVyuctovani, &QTableWidget::currentCellChanged, this, [this] { showDetail(); });
    connect(TableVyuctovani, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(m_bill.months.size()))
            emit wholeMonthRequested(m_bill.year, m_bill.months[static_cast<size_t>(row)].month,
                                     activeBlockTitle());
    });
    connect(TableFaktura, &QTableWidget::itemChanged, this, &BillWindow::invoiceEdited);
    connect(EditTolerance, &QLineEdit::editingFinished, this, &BillWindow::toleranceEdited);
    connect(ButtonSmlouva, &QPushButton::clicked, this, &BillWindow::contractRequested);
    connect(ButtonDoporuceni, &QPushButton::clicked, this, &BillWindow::showAdvice);
    connect(ButtonImport, &QPushButton::clicked, this, &BillWindow::importInvoices);
}

void BillWindow::showYear(int32_t year)
{
    prepare(year);
    ShowWindowNormal(this);
}

void BillWindow::archiveChanged()
{
    if (isVisible() &&
        (m_shownFolder != m_location.ProgramPath || m_shownDevice != m_location.DeviceNo))
        prepare(chosenYear());
}

void BillWindow::contractChanged()
{
    if (m_shownDevice < 0)
        return;
    loadContract();
    relist();
}

void BillWindow::prepare(int32_t year)
{
    m_shownFolder = m_location.ProgramPath;
    m_shownDevice = m_location.DeviceNo;
    m_unsaved.clear();
    {
        const QSignalBlocker blocker(ComboBoxRok);
        ComboBoxRok->clear();
        for (const PeriodYearNode& node :
             PeriodTreeContent(DirectoryListing(m_location.ProgramPath), m_archive))
            ComboBoxRok->addItem(QString::number(node.year), node.year);
        const int at = ComboBoxRok->findData(year);
        ComboBoxRok->setCurrentIndex(at >= 0 ? at : 0);
    }
    loadContract();
    relist();
}

int32_t BillWindow::chosenYear() const
{
    return ComboBoxRok->currentIndex() < 0 ? 0 : ComboBoxRok->currentData().toInt();
}

void BillWindow::loadContract()
{
    m_file = ContractFile();
    const int32_t result = m_file.Load(m_location.ProgramPath);
    m_loadProblem.clear();
    if (result != 0 && result != ENOENT)
        m_loadProblem = m_file.LastErrorText.empty() ? std::strerror(result) : m_file.LastErrorText;
    m_contractSignature = FileSignature(ContractFile::StoragePath(m_location.ProgramPath));
    const DeviceContract* found = m_file.contracts.find(m_location.DeviceNo);
    m_hasContract = found != nullptr;
    m_contract = found ? *found : DeviceContract();
    m_contract.device = m_location.DeviceNo;
    // Without a contract the months still show their maxima and energies:
    // of the first block in kW, else of the block the main window lists.
    if (m_contract.activeBlock <= 0) {
        const std::vector<OverviewBlock> blocks =
            OverviewBlocks(m_location.ProgramPath, m_location.DeviceNo);
        for (const OverviewBlock& b : blocks)
            if (m_contract.activeBlock <= 0 && QString::fromStdString(b.unit).trimmed().compare(
                                                   QStringLiteral("kW"), Qt::CaseInsensitive) == 0)
                m_contract.activeBlock = b.number;
        if (m_contract.activeBlock <= 0)
            m_contract.activeBlock = MatchingBlock(blocks, m_description.CurrentBlockTitle);
        if (m_contract.activeBlock <= 0 && !blocks.empty())
            m_contract.activeBlock = blocks.front().number;
    }
    // What could not be saved stays in effect, shown, until it is.
    for (const auto& [month, items] : m_unsaved) {
        int32_t y = 0, m = 0;
        if (!ParseMonthKey(month, y, m))
            continue;
        for (const auto& [key, value] : items) {
            if (value)
                m_contract.invoiceFor(y, m).items[key] = *value;
            else
                m_contract.invoiceFor(y, m).items.erase(key);
        }
    }
    m_zones = TariffZones(m_division);
    const QSignalBlocker blocker(EditTolerance);
    EditTolerance->setText(CzechNumber(m_contract.tolerancePercent));
    EditTolerance->setStyleSheet(QString());
}

std::string BillWindow::filesSignature() const
{
    return MonthFilesSignature(m_location.ProgramPath, m_archive, chosenYear());
}

void BillWindow::relistWhenFilesChanged()
{
    if (m_shownDevice < 0)
        return;
    if (FileSignature(ContractFile::StoragePath(m_location.ProgramPath)) != m_contractSignature) {
        loadContract();
        relist();
    } else if (filesSignature() != m_filesSignature) {
        relist();
    }
}

void BillWindow::relist()
{
    m_filesSignature = filesSignature();
    m_bill = YearBill();
    m_bill.device = m_location.DeviceNo;
    m_bill.year = chosenYear();
    if (m_bill.year > 0 && m_contract.activeBlock > 0) {
        struct WaitCursor {
            WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
            ~WaitCursor() { QApplication::restoreOverrideCursor(); }
        } wait;
        // Calendar months from midnight, as an invoice's are.
        QuietListing quiet(m_location.ProgramPath, m_location.DeviceNo, m_settings, 0);
        if (quiet.loaded())
            m_bill = ListBills(quiet, m_contract, m_division, m_bill.year, 0);
    }
    rebuildExportMenu();
    showProblem();
    showMonths();
}

void BillWindow::rebuildExportMenu()
{
    if (m_menuYear == m_bill.year)
        return;
    m_menuYear = m_bill.year;
    m_exports->clear();
    AddExportItems(
        m_exports, nullptr, this, QStringLiteral("vyuctovani-%1").arg(m_bill.year),
        [this]() -> std::optional<ExportSource> {
            relistWhenFilesChanged();
            if (m_bill.months.empty())
                return std::nullopt;
            const SeriesBlock block{m_contract.activeBlock, m_bill.activeName, "kW", true};
            return BillExportSource(
                m_bill, m_contract,
                ExportParameters(m_location.ProgramPath, m_location.DeviceNo, block, "kW",
                                 std::to_string(m_bill.year) + " (kalendářní měsíce)", 0,
                                 std::nullopt));
        });
    m_exports->addSeparator();
    QAction* pdf = m_exports->addAction(QStringLiteral("Uložit jako PDF…"));
    pdf->setObjectName(QStringLiteral("UlozitPDF1"));
    connect(pdf, &QAction::triggered, this, &BillWindow::saveAsPdf);
}

void BillWindow::showProblem()
{
    QString text;
    if (!m_loadProblem.empty())
        text =
            QStringLiteral("Soubor %1 nelze přečíst: %2 – opravte jej v Nastavení → Smlouva a "
                           "ceník. Měsíce jsou uvedeny bez ocenění.")
                .arg(QLatin1String(ContractFile::FileName), QString::fromStdString(m_loadProblem));
    else if (!m_hasContract)
        text = QStringLiteral("Chybí smlouva a ceník zařízení %1 – doplňte je v Nastavení → "
                              "Smlouva a ceník. Měsíce jsou uvedeny bez ocenění.")
                   .arg(m_location.DeviceNo);
    else if (const std::string problem =
                 ContractProblem(&m_contract, m_location.DeviceNo, m_bill.year, 0);
             !problem.empty())
        text = QStringLiteral("Chybí %1 – doplňte jej v Nastavení → Smlouva a ceník.")
                   .arg(QString::fromStdString(problem));
    LabelSmlouva->setText(text);
    LabelSmlouva->setVisible(!text.isEmpty());
    ButtonSmlouva->setVisible(!text.isEmpty());
}

void BillWindow::showMonths()
{
    const int keep = TableVyuctovani->currentRow();
    {
        const QSignalBlocker blocker(TableVyuctovani);
        TableVyuctovani->setRowCount(static_cast<int>(m_bill.months.size()));
        for (std::size_t i = 0; i < m_bill.months.size(); ++i) {
            const MonthBill& m = m_bill.months[i];
            const int row = static_cast<int>(i);
            const bool values = m.active.count > 0;
            const QString cells[MonthColumns] = {
                QString::fromStdString(MonthNames(m.month)),
                StateText(m),
                values ? CzechNumber(m.active.maximum) : QString(),
                values ? QuarterHourEndText(m.active.maximumX) : QString(),
                m.capacity > 0 ? CzechNumber(m.capacity) : QString(),
                m.capacity > 0 && values ? CzechNumber(m.capacityExceedance) : QString(),
                values ? CzechFixed(m.energy, 2) : QString(),
                m.hasReactive ? CzechFixed(m.tanPhi, 3) : QString(),
                m.hasReactive ? CzechFixed(m.cosPhi, 3) : QString(),
                m.hasReactive && m.priced ? CzechNumber(m.surchargePercent) : QString(),
                // Only a complete, priced month has a total; a part would
                // pass for the bill.
                m.complete && m.priced ? Money(m.total) : QString(),
            };
            const QString why = Reasons(m);
            for (int col = 0; col < MonthColumns; ++col) {
                SetCell(TableVyuctovani, row, col, cells[col]);
                QTableWidgetItem* item = TableVyuctovani->item(row, col);
                if (col == MaxTimeCol || col == StateCol)
                    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                if (!m.complete) {
                    item->setForeground(QColor(120, 120, 120));
                    QFont italic = TableVyuctovani->font();
                    italic.setItalic(true);
                    item->setFont(italic);
                }
                if (col == ExceedanceCol && m.capacityExceedance > 0)
                    item->setForeground(ExceedsText);
                item->setToolTip(why);
            }
        }
    }
    const int rows = TableVyuctovani->rowCount();
    int row = keep >= 0 && keep < rows ? keep : -1;
    // First shown: the last month with values, the one most likely checked.
    for (int r = rows - 1; row < 0 && r >= 0; --r)
        if (m_bill.months[static_cast<size_t>(r)].active.count > 0)
            row = r;
    if (row < 0 && rows > 0)
        row = 0;
    {
        const QSignalBlocker blocker(TableVyuctovani);
        TableVyuctovani->setCurrentCell(row, 0);
    }
    showDetail();
}

const MonthBill* BillWindow::selectedMonth() const
{
    const int row = TableVyuctovani->currentRow();
    if (row < 0 || row >= static_cast<int>(m_bill.months.size()))
        return nullptr;
    return &m_bill.months[static_cast<size_t>(row)];
}

void BillWindow::showDetail()
{
    ListNadRK->clear();
    const MonthBill* m = selectedMonth();
    if (!m) {
        LabelFaktura->setText(QStringLiteral("Faktura: žádný měsíc"));
        LabelPodklady->clear();
        showInvoice();
        return;
    }
    const QString period =
        QStringLiteral("%1 %2").arg(QString::fromStdString(MonthNames(m->month))).arg(m->year);
    LabelFaktura->setText(QStringLiteral("<b>Faktura za %1</b> – částky bez DPH; tolerance %2 %")
                              .arg(period, CzechNumber(m_contract.tolerancePercent)));

    QStringList lines;
    lines << QStringLiteral("<b>Podklady %1</b>").arg(period);
    lines << QStringLiteral("Čtvrthodin: %1 z %2").arg(m->active.count).arg(m->active.expected);
    if (!m->complete)
        lines << QStringLiteral("<span style=\"color:#b00000\">Neúplný měsíc: %1</span>")
                     .arg(Reasons(*m).toHtmlEscaped().replace(QLatin1Char('\n'),
                                                              QStringLiteral("; ")));
    if (m->capacity > 0)
        lines << QStringLiteral("RK %1 kW (roční %2 + měsíční %3), nad ní %4 čtvrthodin")
                     .arg(CzechNumber(m->capacity), CzechNumber(m->annualCapacity),
                          CzechNumber(m->monthlyCapacity))
                     .arg(m->quartersAboveCapacity);
    if (m->reservedInput)
        lines << QStringLiteral("Rezervovaný příkon %1 kW, překročení %2 kW")
                     .arg(CzechNumber(*m->reservedInput), CzechNumber(m->inputExceedance));
    for (const ZoneEnergy& z : m->zones)
        lines << QStringLiteral("Pásmo %1: %2 kWh (%3 čtvrthodin)")
                     .arg(QString::fromStdString(z.name).toHtmlEscaped(), CzechFixed(z.energy, 2))
                     .arg(z.quarters);
    if (m->unzonedQuarters > 0)
        lines << QStringLiteral("Mimo pásma: %1 kWh (%2 čtvrthodin)")
                     .arg(CzechFixed(m->unzonedEnergy, 2))
                     .arg(m->unzonedQuarters);
    if (m->hasReactive)
        lines << QStringLiteral("Jalová induktivní: %1 kvarh (%2 čtvrthodin), tg φ = %3 / %4 = %5")
                     .arg(CzechFixed(m->inductive, 2))
                     .arg(m->inductiveQuarters)
                     .arg(CzechFixed(m->inductive, 2), CzechFixed(m->energy, 2),
                          CzechFixed(m->tanPhi, 3));
    if (m->capacitiveQuarters > 0)
        lines << QStringLiteral("Jalová kapacitní dodávka: %1 kvarh (%2 čtvrthodin)")
                     .arg(CzechFixed(m->capacitive, 2))
                     .arg(m->capacitiveQuarters);
    if (!m->from.empty())
        lines << QStringLiteral("Ceník od %1").arg(QString::fromStdString(m->from));
    LabelPodklady->setText(lines.join(QStringLiteral("<br>")));

    for (const BillQuarter& q : m->aboveCapacity)
        ListNadRK->addItem(QStringLiteral("%1   %2 kW   (+%3 kW)")
                               .arg(QuarterHourEndText(q.x), CzechNumber(q.power),
                                    CzechNumber(q.power - m->capacity)));
    if (m->quartersAboveCapacity > static_cast<int32_t>(m->aboveCapacity.size()))
        ListNadRK->addItem(
            QStringLiteral("… a dalších %1")
                .arg(m->quartersAboveCapacity - static_cast<int32_t>(m->aboveCapacity.size())));
    showInvoice();
}

void BillWindow::showInvoice()
{
    const QSignalBlocker blocker(TableFaktura);
    const MonthBill* m = selectedMonth();
    if (!m) {
        TableFaktura->setRowCount(0);
        return;
    }
    const std::vector<InvoiceRow> rows =
        CompareInvoice(*m, m_contract.invoiceOf(m->year, m->month), m_contract.tolerancePercent);
    TableFaktura->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const InvoiceRow& r = rows[i];
        const int row = static_cast<int>(i);
        SetCell(TableFaktura, row, ItemCol, QString::fromStdString(r.label));
        TableFaktura->item(row, ItemCol)->setData(Qt::UserRole, QString::fromStdString(r.key));
        SetCell(TableFaktura, row, ComputedCol, Money(r.computed));
        SetCell(TableFaktura, row, InvoicedCol, Money(r.invoiced), true);
        SetCell(TableFaktura, row, DifferenceCol, Money(r.difference));
        SetCell(TableFaktura, row, PercentCol, r.percent ? CzechFixed(*r.percent, 2) : QString());
        const bool unsaved = m_unsaved.count(MonthKey(m->year, m->month)) &&
                             m_unsaved.at(MonthKey(m->year, m->month)).count(r.key);
        if (unsaved)
            TableFaktura->item(row, InvoicedCol)
                ->setToolTip(QStringLiteral("Neuloženo do souboru %1")
                                 .arg(QLatin1String(ContractFile::FileName)));
        if (r.exceeds)
            for (int col = 0; col < InvoiceColumns; ++col) {
                TableFaktura->item(row, col)->setBackground(ExceedsBackground);
                TableFaktura->item(row, col)->setForeground(ExceedsText);
            }
    }
}

void BillWindow::invoiceEdited(QTableWidgetItem* item)
{
    const MonthBill* m = selectedMonth();
    if (!m || !item || item->column() != InvoicedCol)
        return;
    const QTableWidgetItem* keyItem = TableFaktura->item(item->row(), ItemCol);
    if (!keyItem)
        return;
    const std::string key = keyItem->data(Qt::UserRole).toString().toStdString();
    const int32_t year = m->year, month = m->month;
    std::optional<double> value;
    if (!ParseAmount(item->text(), value)) {
        QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral("„%1“ není částka. Zadejte číslo, např. 12345,67.").arg(item->text()));
        showInvoice();
        return;
    }
    const auto apply = [&](DeviceContract& c) {
        if (value)
            c.invoiceFor(year, month).items[key] = *value;
        else if (const Invoice* had = c.invoiceOf(year, month); had && had->items.count(key))
            c.invoiceFor(year, month).items.erase(key);
    };
    if (!saveContract(apply))
        m_unsaved[MonthKey(year, month)][key] = value;
    apply(m_contract);
    // The items are reused, so the one that changed outlives this signal.
    showInvoice();
}

void BillWindow::pasteInvoice()
{
    const MonthBill* m = selectedMonth();
    if (!m)
        return;
    QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    const int first = std::max(0, TableFaktura->currentRow());
    std::vector<std::pair<std::string, std::optional<double>>> values;
    for (int i = 0; i < lines.size() && first + i < TableFaktura->rowCount(); ++i) {
        // A row copied from a spreadsheet: its first cell is the amount.
        const QString cell = lines[i].split(QLatin1Char('\t')).value(0).trimmed();
        std::optional<double> value;
        if (!ParseAmount(cell, value)) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Řádek %1 schránky není částka: „%2“. Nic se "
                                                "nevložilo.")
                                     .arg(i + 1)
                                     .arg(cell));
            return;
        }
        values.emplace_back(
            TableFaktura->item(first + i, ItemCol)->data(Qt::UserRole).toString().toStdString(),
            value);
    }
    if (values.empty())
        return;
    const int32_t year = m->year, month = m->month;
    const auto apply = [&](DeviceContract& c) {
        for (const auto& [key, value] : values) {
            if (value)
                c.invoiceFor(year, month).items[key] = *value;
            else
                c.invoiceFor(year, month).items.erase(key);
        }
    };
    if (!saveContract(apply))
        for (const auto& [key, value] : values)
            m_unsaved[MonthKey(year, month)][key] = value;
    apply(m_contract);
    showInvoice();
    if (lines.size() > static_cast<int>(values.size()))
        findChild<QStatusBar*>()->showMessage(
            QStringLiteral("Vloženo %1 hodnot, zbylé řádky schránky nemají položku.")
                .arg(values.size()));
}

void BillWindow::importInvoices()
{
    QFileDialog dialog(this, QStringLiteral("Importovat faktury (CSV)"), QDir::homePath(),
                       QStringLiteral("CSV (*.csv *.txt);;Všechny soubory (*)"));
    dialog.setObjectName(QStringLiteral("ImportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    std::string bytes;
    if (!ReadInputFile(path.toStdString(), MaxInvoiceCsv, bytes)) {
        const int error = errno;
        QMessageBox::critical(this, windowTitle(),
                              QStringLiteral("Soubor %1 nelze načíst: %2")
                                  .arg(path, error == EFBIG
                                                 ? QStringLiteral("je příliš velký")
                                                 : QString::fromLocal8Bit(std::strerror(error))));
        return;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::vector<Invoice> invoices;
    std::string error;
    if (!ParseInvoiceCsv(bytes, invoices, error)) {
        QMessageBox::critical(this, windowTitle(),
                              QStringLiteral("Soubor %1 nelze importovat: %2")
                                  .arg(path, QString::fromStdString(error)));
        return;
    }
    for (const Invoice& invoice : invoices) {
        int32_t y = 0, m = 0;
        if (!ParseMonthKey(invoice.month, y, m)) {
            QMessageBox::critical(this, windowTitle(),
                                  QStringLiteral("Soubor %1 nelze importovat: měsíc „%2“")
                                      .arg(path, QString::fromStdString(invoice.month)));
            return;
        }
    }
    const auto apply = [&](DeviceContract& c) {
        for (const Invoice& invoice : invoices) {
            int32_t y = 0, m = 0;
            ParseMonthKey(invoice.month, y, m);
            for (const auto& [key, value] : invoice.items)
                c.invoiceFor(y, m).items[key] = value;
        }
    };
    if (!saveContract(apply))
        return;
    apply(m_contract);
    showInvoice();
    findChild<QStatusBar*>()->showMessage(
        QStringLiteral("Importováno faktur: %1 (%2)").arg(invoices.size()).arg(path));
}

void BillWindow::toleranceEdited()
{
    std::optional<double> value;
    if (!ParseAmount(EditTolerance->text(), value) || !value || *value < 0) {
        EditTolerance->setStyleSheet(QStringLiteral("background: #ffd0d0"));
        EditTolerance->setToolTip(QStringLiteral("Zadejte číslo 0 nebo větší, např. 1 nebo 0,5"));
        return;
    }
    EditTolerance->setStyleSheet(QString());
    if (*value == m_contract.tolerancePercent)
        return;
    const double tolerance = *value;
    if (!saveContract([tolerance](DeviceContract& c) { c.tolerancePercent = tolerance; })) {
        EditTolerance->setStyleSheet(QStringLiteral("background: #ffd0d0"));
        EditTolerance->setToolTip(
            QStringLiteral("Neuloženo do souboru %1").arg(QLatin1String(ContractFile::FileName)));
    }
    m_contract.tolerancePercent = tolerance;
    showDetail();
}

bool BillWindow::saveContract(const std::function<void(DeviceContract&)>& change)
{
    const QString caption = QStringLiteral("Uložení smlouvy");
    const QString notSaved = QStringLiteral("\n\nZměna se neuložila; zůstává jen v tomto okně.");
    // The file as it is now, so that what another copy saved stays.
    ContractFile file;
    const int32_t loaded = file.Load(m_location.ProgramPath);
    if (loaded != 0 && loaded != ENOENT) {
        // Over a file that does not read, the contract in it would be lost
        // for the user until repaired.
        QMessageBox::critical(
            this, caption,
            QStringLiteral("Soubor %1 nelze přečíst: %2 – opravte jej v Nastavení → Smlouva a "
                           "ceník.")
                    .arg(QLatin1String(ContractFile::FileName),
                         QString::fromStdString(file.LastErrorText)) +
                notSaved);
        return false;
    }
    const std::string before = TermsText(m_contract);
    change(file.contracts.forDevice(m_location.DeviceNo));
    int32_t result = file.Save(m_location.ProgramPath);
    if (result == ContractFile::ChangedOnDisk) {
        if (QMessageBox::question(this, caption,
                                  QStringLiteral("Soubor %1 mezitím změnila jiná kopie programu. "
                                                 "Přepsat jej, i s jejími změnami?")
                                      .arg(QLatin1String(ContractFile::FileName))) !=
            QMessageBox::Yes) {
            QMessageBox::information(this, caption, notSaved.trimmed());
            return false;
        }
        result = file.Save(m_location.ProgramPath, true);
    }
    if (result != 0) {
        QMessageBox::critical(this, caption,
                              QStringLiteral("Soubor %1 nelze uložit: %2")
                                      .arg(QLatin1String(ContractFile::FileName),
                                           QString::fromStdString(file.LastErrorText)) +
                                  notSaved);
        return false;
    }
    m_file = file;
    m_contractSignature = FileSignature(ContractFile::StoragePath(m_location.ProgramPath));
    m_unsaved.clear();
    // Another copy may have changed the prices or the terms: bills anew.
    const int32_t block = m_contract.activeBlock;
    const DeviceContract* saved = m_file.contracts.find(m_location.DeviceNo);
    m_hasContract = saved != nullptr;
    DeviceContract fresh = saved ? *saved : DeviceContract();
    fresh.device = m_location.DeviceNo;
    if (fresh.activeBlock <= 0)
        fresh.activeBlock = block;
    const bool rebill = TermsText(fresh) != before;
    m_contract = fresh;
    if (rebill)
        QTimer::singleShot(0, this, [this] { relist(); });
    return true;
}

void BillWindow::showAdvice()
{
    if (m_bill.months.empty()) {
        RefuseEmptyExport(this);
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DoporuceniDialog"));
    dialog.setWindowTitle(QStringLiteral("Doporučení rezervované kapacity %1").arg(m_bill.year));
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("TextDoporuceni"));
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setPlainText(QString::fromStdString(AdviceText(AdviseCapacity(m_bill, m_contract))));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* copy =
        buttons->addButton(QStringLiteral("Kopírovat"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("ButtonKopirovat"));
    connect(copy, &QPushButton::clicked, text,
            [text] { QApplication::clipboard()->setText(text->toPlainText()); });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(920, 600);
    dialog.exec();
}

QString BillWindow::activeBlockTitle() const
{
    for (const OverviewBlock& b : OverviewBlocks(m_location.ProgramPath, m_location.DeviceNo))
        if (b.number == m_contract.activeBlock)
            return QString::fromStdString(b.title);
    return QString();
}

void BillWindow::saveAsPdf()
{
    relistWhenFilesChanged();
    if (m_bill.months.empty()) {
        RefuseEmptyExport(this);
        return;
    }
    const QString path = AskExportPath(this, QStringLiteral("Uložit vyúčtování jako PDF"),
                                       QStringLiteral("vyuctovani-%1.pdf").arg(m_bill.year),
                                       QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QByteArray pdf = billPdf();
    if (pdf.isEmpty())
        ShowExportFailure(this, path, "PDF se nepodařilo vytvořit.");
    else
        SaveExport(this, path, pdf);
}

QByteArray BillWindow::billPdf() const
{
    QStringList lines =
        QString::fromStdString(BillText(m_bill, m_contract)).split(QLatin1Char('\n'));
    if (const MonthBill* m = selectedMonth()) {
        lines << QString()
              << QStringLiteral("Kontrola faktury %1 %2 (tolerance %3 %)")
                     .arg(QString::fromStdString(MonthNames(m->month)))
                     .arg(m->year)
                     .arg(CzechNumber(m_contract.tolerancePercent));
        const int label = 34, number = 14;
        lines << Padded(QStringLiteral("Položka"), label, false) +
                     Padded(QStringLiteral("Výpočet [Kč]"), number, true) +
                     Padded(QStringLiteral("Faktura [Kč]"), number, true) +
                     Padded(QStringLiteral("Rozdíl [Kč]"), number, true) +
                     Padded(QStringLiteral("Rozdíl [%]"), number, true);
        for (const InvoiceRow& r : CompareInvoice(*m, m_contract.invoiceOf(m->year, m->month),
                                                  m_contract.tolerancePercent))
            lines << Padded(QString::fromStdString(r.label), label, false) +
                         Padded(Money(r.computed), number, true) +
                         Padded(Money(r.invoiced), number, true) +
                         Padded(Money(r.difference), number, true) +
                         Padded(r.percent ? CzechFixed(*r.percent, 2) : QString(), number, true) +
                         (r.exceeds ? QStringLiteral("  !") : QString());
    }

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Kontrola vyúčtování %1").arg(m_bill.year));
    writer.setCreator(QStringLiteral("Kwatrix"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 12, 15, 10), QPageLayout::Millimeter));
    writer.setResolution(300);
    std::string folder = m_location.ProgramPath;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (const auto slash = folder.rfind('/'); slash != std::string::npos && folder.size() > 1)
        folder.erase(0, slash + 1);
    const ReportHeading heading{
        {"Archiv", folder},
        {"Zařízení", std::to_string(m_location.DeviceNo)},
        {"Blok", std::to_string(m_contract.activeBlock) + " – " + m_bill.activeName + " [kW]"},
        {"Období", std::to_string(m_bill.year) + " (kalendářní měsíce)"}};
    const ReportPageFrame frame(writer, heading);
    const QRectF body = frame.body();
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9);
    const QFontMetricsF metrics(font, &writer);
    qsizetype widest = 1;
    for (const QString& line : lines)
        widest = std::max(widest, line.size());
    // A wide table is drawn smaller rather than cut at the margin.
    const qreal scale =
        std::clamp(body.width() / (metrics.horizontalAdvance(QLatin1Char('0')) * widest), 0.6, 1.0);
    // A month's items (a run of lines without an empty one) stay on one
    // page, and an empty line goes over with what follows it.
    std::vector<ReportLine> layout(static_cast<std::size_t>(lines.size()));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        layout[static_cast<std::size_t>(i)].keepWithNext =
            lines[i].isEmpty() || !lines[i + 1].isEmpty();
    const std::size_t perPage =
        std::max(1, static_cast<int>(body.height() / scale / metrics.lineSpacing()));
    std::vector<std::size_t> starts = ReportPageStarts(layout, perPage);
    const int pages = static_cast<int>(starts.size());
    starts.push_back(layout.size());
    QPainter painter;
    if (!painter.begin(&writer))
        return QByteArray();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        frame.draw(painter, page + 1, pages);
        painter.save();
        painter.translate(body.topLeft());
        painter.scale(scale, scale);
        painter.setFont(font);
        painter.setPen(Qt::black);
        qreal y = metrics.ascent();
        for (std::size_t i = starts[static_cast<std::size_t>(page)];
             i < starts[static_cast<std::size_t>(page) + 1]; ++i) {
            painter.drawText(QPointF(0, y), lines[static_cast<qsizetype>(i)]);
            y += metrics.lineSpacing();
        }
        painter.restore();
    }
    return painter.end() ? buffer.data() : QByteArray();
}

bool BillWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TableFaktura && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        pasteInvoice();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kw
