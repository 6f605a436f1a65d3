#include "analysis/ContractWindow.h"

#include "analysis/Bill.h"
#include "archive/ProgramLocation.h"
#include "calendar/DayDivision.h"
#include "ui/WindowSupport.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <set>

namespace kw {

namespace {

const char* const DateHint = "Zadejte datum RRRR-MM-DD nebo d.m.rrrr, např. 2026-01-01";
const char* const MonthHint = "Zadejte měsíc RRRR-MM, např. 2026-03";
const char* const NumberHint = "Zadejte číslo 0 nebo větší, např. 250 nebo 62,5";
const char* const OptionalHint =
    "Zadejte číslo 0 nebo větší, např. 250 nebo 62,5; prázdné pole znamená nezadáno";
const QColor InvalidColour(255, 208, 208);

bool SameUnit(const std::string& unit, const char* wanted)
{
    return QString::fromStdString(unit).trimmed().compare(QLatin1String(wanted),
                                                          Qt::CaseInsensitive) == 0;
}

// A number as typed: a decimal comma or point, no grouping, not negative;
// empty is none.
bool ParseAmount(const QString& typed, std::optional<double>& value)
{
    QString text = typed.trimmed();
    value.reset();
    if (text.isEmpty())
        return true;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < 0 ||
        text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return false;
    value = number;
    return true;
}

// "2026-01-01" or "1.1.2026" as "2026-01-01"; empty when not a day.
std::string ParseDay(const QString& typed)
{
    const QString text = typed.trimmed();
    QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        day = QDate::fromString(text, QStringLiteral("d.M.yyyy"));
    if (!day.isValid() || day.year() < 1900 || day.year() > 9999)
        return std::string();
    return day.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

// "2026-03" or "3.2026" as "2026-03"; empty when not a month.
std::string ParseMonth(const QString& typed)
{
    const QString text = typed.trimmed();
    QDate day = QDate::fromString(text + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        day = QDate::fromString(QStringLiteral("1.") + text, QStringLiteral("d.M.yyyy"));
    if (!day.isValid() || day.year() < 1900 || day.year() > 9999)
        return std::string();
    return day.toString(QStringLiteral("yyyy-MM")).toStdString();
}

QString NumberText(double value)
{
    return QString::number(value, 'g', 12).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString NumberText(const std::optional<double>& value)
{
    return value ? NumberText(*value) : QString();
}

std::string FileProblem(const ContractFile& file, int32_t code)
{
    if (!file.LastErrorText.empty())
        return file.LastErrorText;
    return code > 0 ? std::string(std::strerror(code)) : "chyba " + std::to_string(code);
}

enum class CellKind { Day, Month, Number, OptionalNumber, Name };

// What each column of the window's tables holds.
CellKind KindOf(const QTableWidget* table, int column)
{
    const QString name = table->objectName();
    if (name == QLatin1String("TableSmlouva"))
        return column == 0 ? CellKind::Day : CellKind::OptionalNumber;
    if (name == QLatin1String("TableMesicniRK"))
        return column == 0 ? CellKind::Month : CellKind::Number;
    if (name == QLatin1String("TableTarify"))
        return column == 0 ? CellKind::Name : CellKind::OptionalNumber;
    return CellKind::Number;
}

// The hint for a wrong cell; empty when it holds what its column takes.
QString CellProblem(CellKind kind, const QString& text)
{
    std::optional<double> number;
    switch (kind) {
    case CellKind::Day:
        return ParseDay(text).empty() ? QString::fromUtf8(DateHint) : QString();
    case CellKind::Month:
        return ParseMonth(text).empty() ? QString::fromUtf8(MonthHint) : QString();
    case CellKind::Number:
        return ParseAmount(text, number) && number ? QString() : QString::fromUtf8(NumberHint);
    case CellKind::OptionalNumber:
        return ParseAmount(text, number) ? QString() : QString::fromUtf8(OptionalHint);
    case CellKind::Name:
        break;
    }
    return QString();
}

QString CellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

bool RowEmpty(const QTableWidget* table, int row)
{
    for (int column = 0; column < table->columnCount(); ++column)
        if (KindOf(table, column) != CellKind::Name &&
            !CellText(table, row, column).trimmed().isEmpty())
            return false;
    return true;
}

QTableWidget* MakeTable(QWidget* parent, const char* name, const QStringList& headings)
{
    auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    table->setObjectName(QLatin1String(name));
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    return table;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// The price list's numbers as the fields show them.
struct PriceNumber {
    const char* name;
    const char* label;
    double PriceList::*member;
};
// Prices in the first column, the penalty rules in the second.
const PriceNumber PriceNumbers[] = {
    {"EditCenaRocniRK", "Cena roční RK [Kč/kW/měsíc]", &PriceList::annualCapacityPrice},
    {"EditCenaMesicniRK", "Cena měsíční RK [Kč/kW/měsíc]", &PriceList::monthlyCapacityPrice},
    {"EditCenaSite", "Použití sítě [Kč/MWh]", &PriceList::networkPrice},
    {"EditCenaKapacitni", "Cena kapacitní jalové dodávky [Kč/kvarh]", &PriceList::capacitivePrice},
    {"EditNasobekRK", "Násobek ceny při překročení RK", &PriceList::capacityPenaltyFactor},
    {"EditNasobekPrikon", "Násobek ceny při překročení příkonu", &PriceList::inputPenaltyFactor},
    {"EditNeutralniTg", "Neutrální tg φ do", &PriceList::neutralTan},
};

} // namespace

void SetDefaultBlocks(DeviceContract& contract, const std::vector<OverviewBlock>& blocks)
{
    for (const OverviewBlock& b : blocks) {
        if (!contract.activeBlock && SameUnit(b.unit, "kW"))
            contract.activeBlock = b.number;
        if (!contract.reactiveBlock && SameUnit(b.unit, "kVAr"))
            contract.reactiveBlock = b.number;
    }
}

const ContractTerms* TermsInForce(const DeviceContract& contract, const std::string& day)
{
    const ContractTerms* inForce = nullptr;
    for (const ContractTerms& terms : contract.terms)
        if (terms.from <= day && (!inForce || terms.from >= inForce->from))
            inForce = &terms;
    return inForce;
}

BlockCapacity CapacityOfBlock(const std::string& programPath, int32_t device, int32_t block,
                              const std::string& day)
{
    const std::optional<double> own =
        ReservedCapacity(QString::fromStdString(programPath), device, block);
    ContractFile file;
    if (block > 0 && file.Load(programPath) == 0) {
        const DeviceContract* contract = file.contracts.find(device);
        // A setting not yet moved into a contract without terms still counts.
        if (contract && contract->activeBlock == block && !(contract->terms.empty() && own)) {
            const ContractTerms* terms = TermsInForce(*contract, day);
            return {true, terms ? terms->annualCapacity : std::nullopt};
        }
    }
    return {false, own};
}

std::string MigrateReservedCapacity(const std::string& programPath, int32_t device,
                                    const std::vector<OverviewBlock>& blocks)
{
    const QString folder = QString::fromStdString(programPath);
    // A second try when another copy saved in between.
    for (int attempt = 0; attempt < 2; ++attempt) {
        ContractFile file;
        const int32_t loaded = file.Load(programPath);
        // A file that does not read is never written over without the user.
        if (loaded != 0 && loaded != ENOENT)
            return std::string();
        const DeviceContract* known = file.contracts.find(device);
        if (known && !known->terms.empty())
            return std::string();
        int32_t block = 0;
        std::optional<double> capacity;
        if (known && known->activeBlock > 0) {
            block = known->activeBlock;
            capacity = ReservedCapacity(folder, device, block);
        } else {
            for (const OverviewBlock& b : blocks) {
                if (!SameUnit(b.unit, "kW"))
                    continue;
                capacity = ReservedCapacity(folder, device, b.number);
                if (capacity) {
                    block = b.number;
                    break;
                }
            }
        }
        if (!capacity)
            return std::string();
        const bool isNew = known == nullptr;
        DeviceContract& contract = file.contracts.forDevice(device);
        if (isNew)
            SetDefaultBlocks(contract, blocks);
        contract.activeBlock = block;
        contract.terms.push_back({"2000-01-01", capacity, std::nullopt});
        const int32_t saved = file.Save(programPath);
        if (saved == ContractFile::ChangedOnDisk)
            continue;
        if (saved != 0)
            return FileProblem(file, saved);
        // Only now: a failed save leaves the capacity where it was.
        SetReservedCapacity(folder, device, block, std::nullopt);
        return std::string();
    }
    return "soubor smlouvy mezitím změnila jiná kopie programu";
}

std::string SetContractCapacity(const std::string& programPath, int32_t device, int32_t year,
                                std::optional<double> capacity)
{
    const std::string day =
        QStringLiteral("%1-01-01").arg(year, 4, 10, QLatin1Char('0')).toStdString();
    for (int attempt = 0; attempt < 2; ++attempt) {
        ContractFile file;
        const int32_t loaded = file.Load(programPath);
        if (loaded != 0)
            return loaded == ENOENT ? std::string("soubor smlouvy mezitím zmizel")
                                    : FileProblem(file, loaded);
        if (!file.contracts.find(device))
            return "smlouva zařízení " + std::to_string(device) + " v souboru není";
        DeviceContract& contract = file.contracts.forDevice(device);
        auto* terms = const_cast<ContractTerms*>(TermsInForce(contract, day));
        if (terms) {
            if (terms->annualCapacity == capacity)
                return std::string();
            terms->annualCapacity = capacity;
        } else {
            if (!capacity)
                return std::string();
            contract.terms.push_back({day, capacity, std::nullopt});
            std::sort(
                contract.terms.begin(), contract.terms.end(),
                [](const ContractTerms& a, const ContractTerms& b) { return a.from < b.from; });
        }
        const int32_t saved = file.Save(programPath);
        if (saved == ContractFile::ChangedOnDisk)
            continue;
        return saved == 0 ? std::string() : FileProblem(file, saved);
    }
    return "soubor smlouvy mezitím změnila jiná kopie programu";
}

ContractWindow::ContractWindow(const ProgramLocation& location, const DayDivision& division,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), m_location(location), m_division(division)
{
    setObjectName(QStringLiteral("ContractWindow"));
    setWindowTitle(QStringLiteral("Smlouva a ceník"));
    setFont(WindowFont(8));
    resize(860, 720);

    LabelPoskozeno = new QLabel(this);
    LabelPoskozeno->setObjectName(QStringLiteral("LabelPoskozeno"));
    LabelPoskozeno->setStyleSheet(QStringLiteral("color: #b00000"));
    LabelPoskozeno->setWordWrap(true);
    LabelPoskozeno->hide();

    // The blocks and the tolerance.
    auto* blocks = new QGroupBox(QStringLiteral("Bloky a kontrola faktur"), this);
    auto* blockGrid = new QGridLayout(blocks);
    const auto combo = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return c;
    };
    ComboBoxCinnyBlok = combo("ComboBoxCinnyBlok");
    ComboBoxJalovyBlok = combo("ComboBoxJalovyBlok");
    ComboBoxKapacitniBlok = combo("ComboBoxKapacitniBlok");
    EditTolerance = new QLineEdit(this);
    EditTolerance->setObjectName(QStringLiteral("EditTolerance"));
    EditTolerance->setMaximumWidth(80);
    blockGrid->addWidget(new QLabel(QStringLiteral("Činný odběr [kW]:"), this), 0, 0);
    blockGrid->addWidget(ComboBoxCinnyBlok, 0, 1);
    blockGrid->addWidget(new QLabel(QStringLiteral("Jalový odběr induktivní [kVAr]:"), this), 1, 0);
    blockGrid->addWidget(ComboBoxJalovyBlok, 1, 1);
    blockGrid->addWidget(new QLabel(QStringLiteral("Jalová dodávka kapacitní [kVAr]:"), this), 2,
                         0);
    blockGrid->addWidget(ComboBoxKapacitniBlok, 2, 1);
    blockGrid->addWidget(new QLabel(QStringLiteral("Tolerance kontroly faktury [%]:"), this), 0, 3);
    blockGrid->addWidget(EditTolerance, 0, 4);
    blockGrid->setColumnStretch(2, 1);
    blockGrid->setColumnStretch(5, 1);

    // The terms and the monthly bookings side by side.
    const auto tableBox = [this](const QString& title, QTableWidget* table, const char* addName,
                                 const char* removeName) {
        auto* box = new QGroupBox(title, this);
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(table);
        auto* row = new QHBoxLayout;
        QPushButton* add = MakeButton(this, addName, QStringLiteral("Přidat řádek"));
        QPushButton* remove = MakeButton(this, removeName, QStringLiteral("Odebrat řádek"));
        row->addWidget(add);
        row->addWidget(remove);
        row->addStretch(1);
        layout->addLayout(row);
        connect(add, &QPushButton::clicked, this, [this, table] { addRow(table); });
        connect(remove, &QPushButton::clicked, this, [this, table] { removeRow(table); });
        return box;
    };
    TableSmlouva = MakeTable(this, "TableSmlouva",
                             {QStringLiteral("Platí od"), QStringLiteral("Roční RK [kW]"),
                              QStringLiteral("Rezervovaný příkon [kW]")});
    TableMesicniRK = MakeTable(this, "TableMesicniRK",
                               {QStringLiteral("Měsíc"), QStringLiteral("Měsíční RK [kW]")});
    auto* termsRow = new QHBoxLayout;
    termsRow->addWidget(tableBox(QStringLiteral("Smlouva"), TableSmlouva, "ButtonPridatSmlouvu",
                                 "ButtonOdebratSmlouvu"),
                        3);
    termsRow->addWidget(tableBox(QStringLiteral("Měsíční rezervovaná kapacita"), TableMesicniRK,
                                 "ButtonPridatMesic", "ButtonOdebratMesic"),
                        2);

    // The price lists.
    auto* prices = new QGroupBox(QStringLiteral("Ceník"), this);
    auto* pricesLayout = new QVBoxLayout(prices);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Platí od:"), this));
    ComboBoxCenik = combo("ComboBoxCenik");
    ComboBoxCenik->setMinimumContentsLength(12);
    choice->addWidget(ComboBoxCenik);
    ButtonNovyCenik = MakeButton(this, "ButtonNovyCenik", QStringLiteral("Nový ceník…"));
    ButtonOdebratCenik = MakeButton(this, "ButtonOdebratCenik", QStringLiteral("Odebrat"));
    choice->addWidget(ButtonNovyCenik);
    choice->addWidget(ButtonOdebratCenik);
    choice->addStretch(1);
    pricesLayout->addLayout(choice);
    auto* fields = new QGridLayout;
    int at = 0;
    for (const PriceNumber& p : PriceNumbers) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(p.name));
        edit->setMaximumWidth(100);
        const QString label = QString::fromUtf8(p.label);
        fields->addWidget(new QLabel(label + QLatin1Char(':'), this), at % 4, at / 4 * 3);
        fields->addWidget(edit, at % 4, at / 4 * 3 + 1);
        m_priceFields.push_back({edit, label});
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { markEdit(edit, false); });
        ++at;
    }
    fields->setColumnMinimumWidth(2, 16);
    fields->setColumnStretch(5, 1);
    pricesLayout->addLayout(fields);
    TableTarify = MakeTable(this, "TableTarify",
                            {QStringLiteral("Tarifní pásmo"), QStringLiteral("Cena [Kč/MWh]")});
    TableUcinik =
        MakeTable(this, "TableUcinik", {QStringLiteral("tg φ od"), QStringLiteral("Přirážka [%]")});
    auto* tariffBox = new QVBoxLayout;
    tariffBox->addWidget(
        new QLabel(QStringLiteral("Silová elektřina podle tarifních pásem:"), this));
    tariffBox->addWidget(TableTarify);
    auto* surchargeBox = new QVBoxLayout;
    surchargeBox->addWidget(new QLabel(QStringLiteral("Přirážka za nedodržení účiníku:"), this));
    surchargeBox->addWidget(TableUcinik);
    auto* surchargeButtons = new QHBoxLayout;
    ButtonPridatPasmo = MakeButton(this, "ButtonPridatPasmo", QStringLiteral("Přidat řádek"));
    ButtonOdebratPasmo = MakeButton(this, "ButtonOdebratPasmo", QStringLiteral("Odebrat řádek"));
    ButtonVychozi = MakeButton(this, "ButtonVychozi", QStringLiteral("Výchozí hodnoty"));
    surchargeButtons->addWidget(ButtonPridatPasmo);
    surchargeButtons->addWidget(ButtonOdebratPasmo);
    surchargeButtons->addStretch(1);
    surchargeButtons->addWidget(ButtonVychozi);
    surchargeBox->addLayout(surchargeButtons);
    auto* priceTables = new QHBoxLayout;
    priceTables->addLayout(tariffBox, 1);
    priceTables->addLayout(surchargeBox, 1);
    pricesLayout->addLayout(priceTables, 1);

    LabelStav = new QLabel(this);
    LabelStav->setObjectName(QStringLiteral("LabelStav"));
    LabelStav->setWordWrap(true);
    ButtonUlozit = MakeButton(this, "ButtonUlozit", QStringLiteral("Uložit"));
    ButtonUlozit->setShortcut(QKeySequence::Save);
    ButtonUlozit->setToolTip(
        QStringLiteral("Uloží smlouvu do souboru %1 ve složce archivu (Ctrl+S)")
            .arg(QLatin1String(ContractFile::FileName)));
    ButtonZavrit = MakeButton(this, "ButtonZavrit", QStringLiteral("Zavřít"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelStav, 1);
    bottom->addWidget(MakeHelpButton(this, "ButtonNapoveda", QStringLiteral("VYUCTOVANI")));
    bottom->addWidget(ButtonUlozit);
    bottom->addWidget(ButtonZavrit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelPoskozeno);
    layout->addWidget(blocks);
    layout->addLayout(termsRow, 2);
    layout->addWidget(prices, 3);
    layout->addLayout(bottom);

    connect(EditTolerance, &QLineEdit::textEdited, this,
            [this] { markEdit(EditTolerance, false); });
    for (QTableWidget* table : {TableSmlouva, TableMesicniRK, TableTarify, TableUcinik})
        connect(table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
            if (!m_filling)
                markCell(item);
        });
    connect(ComboBoxCenik, &QComboBox::activated, this, &ContractWindow::priceListChosen);
    connect(ButtonNovyCenik, &QPushButton::clicked, this, &ContractWindow::addPriceList);
    connect(ButtonOdebratCenik, &QPushButton::clicked, this, &ContractWindow::removePriceList);
    connect(ButtonPridatPasmo, &QPushButton::clicked, this, [this] { addRow(TableUcinik); });
    connect(ButtonOdebratPasmo, &QPushButton::clicked, this, [this] { removeRow(TableUcinik); });
    connect(ButtonVychozi, &QPushButton::clicked, this, [this] {
        if (m_priceIndex < 0)
            return;
        m_contract.prices[static_cast<std::size_t>(m_priceIndex)].surcharge =
            PriceList::DefaultSurcharge();
        // Only the table: the other fields keep what was typed.
        const QSignalBlocker blocker(TableUcinik);
        const std::vector<SurchargeBand> bands = PriceList::DefaultSurcharge();
        TableUcinik->setRowCount(static_cast<int>(bands.size()));
        for (std::size_t i = 0; i < bands.size(); ++i) {
            TableUcinik->setItem(static_cast<int>(i), 0,
                                 new QTableWidgetItem(NumberText(bands[i].fromTan)));
            TableUcinik->setItem(static_cast<int>(i), 1,
                                 new QTableWidgetItem(NumberText(bands[i].percent)));
        }
    });
    connect(ButtonUlozit, &QPushButton::clicked, this, [this] { save(); });
    connect(ButtonZavrit, &QPushButton::clicked, this, &QWidget::close);
}

void ContractWindow::showEvent(QShowEvent* event)
{
    // A window opened again starts from the file, not from edits given up.
    if (!event->spontaneous())
        load();
    QWidget::showEvent(event);
}

void ContractWindow::archiveChanged()
{
    if (isVisible() &&
        (m_shownFolder != m_location.ProgramPath || m_shownDevice != m_location.DeviceNo))
        load();
}

void ContractWindow::load()
{
    m_shownFolder = m_location.ProgramPath;
    m_shownDevice = m_location.DeviceNo;
    m_blocks = OverviewBlocks(m_shownFolder, m_shownDevice);
    const std::string moved = MigrateReservedCapacity(m_shownFolder, m_shownDevice, m_blocks);
    m_file = ContractFile();
    const int32_t loaded = m_file.Load(m_shownFolder);
    LabelStav->clear();
    LabelPoskozeno->hide();
    m_unreadable = loaded != 0 && loaded != ENOENT && !m_file.damaged();
    if (loaded != 0 && loaded != ENOENT) {
        // A file that reads but makes no sense is kept aside by the save; one
        // that cannot be read at all is not saved over.
        const QString text =
            QString::fromStdString(FileProblem(m_file, loaded)) +
            (m_unreadable ? QStringLiteral("; smlouvu nelze uložit, dokud soubor nebude čitelný.")
                          : QStringLiteral("; při uložení bude uschován."));
        LabelPoskozeno->setText(text);
        LabelPoskozeno->show();
        // After the window is on screen, so that the box stands over it.
        QTimer::singleShot(0, this, [this, text] {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Smlouva a ceník"),
                            text + QStringLiteral("\n\nOkno začíná s prázdnou smlouvou."),
                            QMessageBox::Ok, this);
            box.setObjectName(QStringLiteral("ContractLoadErrorBox"));
            box.exec();
        });
    }
    if (const DeviceContract* contract = m_file.contracts.find(m_shownDevice)) {
        m_contract = *contract;
    } else {
        m_contract = DeviceContract();
        m_contract.device = m_shownDevice;
        SetDefaultBlocks(m_contract, m_blocks);
    }
    if (!moved.empty())
        LabelStav->setText(
            QStringLiteral("Rezervovanou kapacitu z nastavení se nepodařilo přenést do smlouvy: %1")
                .arg(QString::fromStdString(moved)));
    m_priceIndex = m_contract.prices.empty() ? -1 : static_cast<int>(m_contract.prices.size()) - 1;
    fillWindow();
}

void ContractWindow::fillBlockChoice(QComboBox* combo, int32_t block)
{
    combo->clear();
    combo->addItem(QStringLiteral("(žádný)"), 0);
    for (const OverviewBlock& b : m_blocks)
        combo->addItem(QStringLiteral("%1 [%2]").arg(QString::fromStdString(b.title),
                                                     QString::fromStdString(b.unit)),
                       b.number);
    int at = combo->findData(block);
    // A block the description no longer lists stays chosen, said as such.
    if (at < 0) {
        combo->addItem(QStringLiteral("blok %1 (není v popisu archivu)").arg(block), block);
        at = combo->count() - 1;
    }
    combo->setCurrentIndex(at);
}

void ContractWindow::fillWindow()
{
    m_filling = true;
    fillBlockChoice(ComboBoxCinnyBlok, m_contract.activeBlock);
    fillBlockChoice(ComboBoxJalovyBlok, m_contract.reactiveBlock);
    fillBlockChoice(ComboBoxKapacitniBlok, m_contract.capacitiveBlock);
    EditTolerance->setText(NumberText(m_contract.tolerancePercent));
    markEdit(EditTolerance, false);

    TableSmlouva->setRowCount(static_cast<int>(m_contract.terms.size()));
    for (std::size_t i = 0; i < m_contract.terms.size(); ++i) {
        const ContractTerms& t = m_contract.terms[i];
        const int row = static_cast<int>(i);
        TableSmlouva->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(t.from)));
        TableSmlouva->setItem(row, 1, new QTableWidgetItem(NumberText(t.annualCapacity)));
        TableSmlouva->setItem(row, 2, new QTableWidgetItem(NumberText(t.reservedInput)));
    }
    TableMesicniRK->setRowCount(static_cast<int>(m_contract.monthlyCapacity.size()));
    int row = 0;
    for (const auto& [month, capacity] : m_contract.monthlyCapacity) {
        TableMesicniRK->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(month)));
        TableMesicniRK->setItem(row, 1, new QTableWidgetItem(NumberText(capacity)));
        ++row;
    }
    m_filling = false;
    fillPriceChoice(m_priceIndex);
}

void ContractWindow::fillPriceChoice(int index)
{
    {
        const QSignalBlocker blocker(ComboBoxCenik);
        ComboBoxCenik->clear();
        for (const PriceList& p : m_contract.prices)
            ComboBoxCenik->addItem(QString::fromStdString(p.from));
        m_priceIndex = index;
        ComboBoxCenik->setCurrentIndex(index);
    }
    showPriceList();
}

void ContractWindow::showPriceList()
{
    m_filling = true;
    const bool any = m_priceIndex >= 0;
    const PriceList shown =
        any ? m_contract.prices[static_cast<std::size_t>(m_priceIndex)] : PriceList();
    ComboBoxCenik->setEnabled(any);
    ButtonOdebratCenik->setEnabled(any);
    ButtonVychozi->setEnabled(any);
    ButtonPridatPasmo->setEnabled(any);
    ButtonOdebratPasmo->setEnabled(any);
    for (std::size_t i = 0; i < m_priceFields.size(); ++i) {
        QLineEdit* edit = m_priceFields[i].edit;
        edit->setEnabled(any);
        edit->setText(any ? NumberText(shown.*PriceNumbers[i].member) : QString());
        markEdit(edit, !any);
    }
    // A row for each zone of the day division, and one for a priced name the
    // division no longer has, so that no price goes unseen.
    std::vector<std::string> names;
    for (const TariffZone& zone : TariffZones(m_division))
        names.push_back(zone.name);
    const std::size_t zones = names.size();
    for (const auto& [name, price] : shown.tariffPrices)
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    TableTarify->setRowCount(any ? static_cast<int>(names.size()) : 0);
    for (std::size_t i = 0; any && i < names.size(); ++i) {
        auto* name = new QTableWidgetItem(QString::fromStdString(names[i]));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        if (i >= zones) {
            name->setForeground(QColor(150, 90, 0));
            name->setToolTip(QStringLiteral("Rozdělení dne už tento výstupní součet nemá; "
                                            "cenu odstraníte smazáním pole ceny"));
        }
        const auto price = shown.tariffPrices.find(names[i]);
        TableTarify->setItem(static_cast<int>(i), 0, name);
        TableTarify->setItem(static_cast<int>(i), 1,
                             new QTableWidgetItem(price != shown.tariffPrices.end()
                                                      ? NumberText(price->second)
                                                      : QString()));
    }
    TableUcinik->setRowCount(any ? static_cast<int>(shown.surcharge.size()) : 0);
    for (std::size_t i = 0; any && i < shown.surcharge.size(); ++i) {
        TableUcinik->setItem(static_cast<int>(i), 0,
                             new QTableWidgetItem(NumberText(shown.surcharge[i].fromTan)));
        TableUcinik->setItem(static_cast<int>(i), 1,
                             new QTableWidgetItem(NumberText(shown.surcharge[i].percent)));
    }
    TableTarify->setEnabled(any);
    TableUcinik->setEnabled(any);
    m_filling = false;
}

void ContractWindow::markEdit(QLineEdit* edit, bool optional)
{
    std::optional<double> value;
    const bool valid = ParseAmount(edit->text(), value) && (optional || value);
    edit->setStyleSheet(valid ? QString() : QStringLiteral("background: #ffd0d0"));
    edit->setToolTip(valid ? QString() : QString::fromUtf8(NumberHint));
}

void ContractWindow::markCell(QTableWidgetItem* item)
{
    const QString problem = CellProblem(KindOf(item->tableWidget(), item->column()), item->text());
    // An empty new row is no mistake until something is typed into it.
    const bool wrong = !problem.isEmpty() && !RowEmpty(item->tableWidget(), item->row());
    const QSignalBlocker blocker(item->tableWidget());
    item->setBackground(wrong ? QBrush(InvalidColour) : QBrush());
    item->setToolTip(wrong ? problem : QString());
}

void ContractWindow::addRow(QTableWidget* table)
{
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < table->columnCount(); ++column)
        table->setItem(row, column, new QTableWidgetItem);
    table->setCurrentCell(row, 0);
    table->editItem(table->item(row, 0));
}

void ContractWindow::removeRow(QTableWidget* table)
{
    const int row = table->currentRow();
    if (row >= 0)
        table->removeRow(row);
}

bool ContractWindow::takePriceList(QString& error)
{
    if (m_priceIndex < 0)
        return true;
    PriceList& prices = m_contract.prices[static_cast<std::size_t>(m_priceIndex)];
    const QString where = QStringLiteral("Ceník od %1, ").arg(QString::fromStdString(prices.from));
    PriceList taken = prices;
    for (std::size_t i = 0; i < m_priceFields.size(); ++i) {
        std::optional<double> value;
        if (!ParseAmount(m_priceFields[i].edit->text(), value) || !value) {
            error = where + m_priceFields[i].label + QStringLiteral(": ") +
                    QString::fromUtf8(NumberHint);
            m_priceFields[i].edit->setFocus();
            return false;
        }
        taken.*PriceNumbers[i].member = *value;
    }
    taken.tariffPrices.clear();
    for (int row = 0; row < TableTarify->rowCount(); ++row) {
        std::optional<double> value;
        if (!ParseAmount(CellText(TableTarify, row, 1), value)) {
            error =
                where + QStringLiteral("pásmo %1: %2")
                            .arg(CellText(TableTarify, row, 0), QString::fromUtf8(OptionalHint));
            return false;
        }
        // An empty price leaves the zone unpriced, which the bill then says.
        if (value)
            taken.tariffPrices[CellText(TableTarify, row, 0).toStdString()] = *value;
    }
    taken.surcharge.clear();
    for (int row = 0; row < TableUcinik->rowCount(); ++row) {
        if (RowEmpty(TableUcinik, row))
            continue;
        std::optional<double> tan, percent;
        if (!ParseAmount(CellText(TableUcinik, row, 0), tan) || !tan ||
            !ParseAmount(CellText(TableUcinik, row, 1), percent) || !percent) {
            error = where + QStringLiteral("přirážka za účiník, řádek %1: %2")
                                .arg(row + 1)
                                .arg(QString::fromUtf8(NumberHint));
            return false;
        }
        for (const SurchargeBand& band : taken.surcharge)
            if (band.fromTan == *tan) {
                error = where + QStringLiteral("přirážka za účiník: tg φ %1 je uvedeno dvakrát")
                                    .arg(NumberText(*tan));
                return false;
            }
        taken.surcharge.push_back({*tan, *percent});
    }
    std::sort(taken.surcharge.begin(), taken.surcharge.end(),
              [](const SurchargeBand& a, const SurchargeBand& b) { return a.fromTan < b.fromTan; });
    prices = taken;
    return true;
}

void ContractWindow::priceListChosen(int index)
{
    if (index == m_priceIndex)
        return;
    QString error;
    if (!takePriceList(error)) {
        // The list shown keeps what was typed until it is right.
        const QSignalBlocker blocker(ComboBoxCenik);
        ComboBoxCenik->setCurrentIndex(m_priceIndex);
        QMessageBox::warning(this, QStringLiteral("Smlouva a ceník"),
                             QStringLiteral("Nejprve opravte ceník: %1").arg(error));
        return;
    }
    m_priceIndex = index;
    showPriceList();
}

void ContractWindow::addPriceList()
{
    QString error;
    if (!takePriceList(error)) {
        QMessageBox::warning(this, QStringLiteral("Smlouva a ceník"),
                             QStringLiteral("Nejprve opravte ceník: %1").arg(error));
        return;
    }
    const QDate today = QDate::currentDate();
    QString suggested = QStringLiteral("%1-01-01").arg(today.year());
    if (!m_contract.prices.empty()) {
        const QDate last = QDate::fromString(QString::fromStdString(m_contract.prices.back().from),
                                             QStringLiteral("yyyy-MM-dd"));
        if (last.isValid())
            suggested = QStringLiteral("%1-01-01").arg(last.year() + 1);
    }
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DialogNovyCenik"));
    dialog.setWindowTitle(QStringLiteral("Nový ceník"));
    dialog.setLabelText(
        m_priceIndex >= 0
            ? QStringLiteral("Ceník platí od (RRRR-MM-DD nebo d.m.rrrr);\nceny se převezmou "
                             "z ceníku od %1:")
                  .arg(QString::fromStdString(
                      m_contract.prices[static_cast<std::size_t>(m_priceIndex)].from))
            : QStringLiteral("Ceník platí od (RRRR-MM-DD nebo d.m.rrrr):"));
    dialog.setTextValue(suggested);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string from = ParseDay(dialog.textValue());
    if (from.empty()) {
        QMessageBox::warning(this, QStringLiteral("Nový ceník"), QString::fromUtf8(DateHint));
        return;
    }
    for (const PriceList& p : m_contract.prices)
        if (p.from == from) {
            QMessageBox::warning(
                this, QStringLiteral("Nový ceník"),
                QStringLiteral("Ceník od %1 už existuje.").arg(QString::fromStdString(from)));
            return;
        }
    PriceList added =
        m_priceIndex >= 0 ? m_contract.prices[static_cast<std::size_t>(m_priceIndex)] : PriceList();
    added.from = from;
    auto at =
        std::upper_bound(m_contract.prices.begin(), m_contract.prices.end(), from,
                         [](const std::string& day, const PriceList& p) { return day < p.from; });
    at = m_contract.prices.insert(at, added);
    fillPriceChoice(static_cast<int>(at - m_contract.prices.begin()));
}

void ContractWindow::removePriceList()
{
    if (m_priceIndex < 0)
        return;
    m_contract.prices.erase(m_contract.prices.begin() + m_priceIndex);
    fillPriceChoice(std::min(m_priceIndex, static_cast<int>(m_contract.prices.size()) - 1));
}

bool ContractWindow::collect(DeviceContract& out, QString& error)
{
    if (!takePriceList(error))
        return false;
    out = m_contract;
    out.device = m_shownDevice;
    out.activeBlock = ComboBoxCinnyBlok->currentData().toInt();
    out.reactiveBlock = ComboBoxJalovyBlok->currentData().toInt();
    out.capacitiveBlock = ComboBoxKapacitniBlok->currentData().toInt();
    std::optional<double> tolerance;
    if (!ParseAmount(EditTolerance->text(), tolerance) || !tolerance) {
        error = QStringLiteral("Tolerance kontroly faktury: ") + QString::fromUtf8(NumberHint);
        EditTolerance->setFocus();
        return false;
    }
    out.tolerancePercent = *tolerance;

    const auto cellError = [&error](const QString& table, int row, const QString& column,
                                    const QString& problem) {
        error = QStringLiteral("%1, řádek %2, %3: %4").arg(table).arg(row + 1).arg(column, problem);
        return false;
    };
    out.terms.clear();
    std::set<std::string> seen;
    for (int row = 0; row < TableSmlouva->rowCount(); ++row) {
        if (RowEmpty(TableSmlouva, row))
            continue;
        ContractTerms terms;
        terms.from = ParseDay(CellText(TableSmlouva, row, 0));
        if (terms.from.empty())
            return cellError(QStringLiteral("Smlouva"), row, QStringLiteral("Platí od"),
                             QString::fromUtf8(DateHint));
        if (!seen.insert(terms.from).second)
            return cellError(
                QStringLiteral("Smlouva"), row, QStringLiteral("Platí od"),
                QStringLiteral("den %1 je uveden dvakrát").arg(QString::fromStdString(terms.from)));
        if (!ParseAmount(CellText(TableSmlouva, row, 1), terms.annualCapacity))
            return cellError(QStringLiteral("Smlouva"), row, QStringLiteral("Roční RK [kW]"),
                             QString::fromUtf8(OptionalHint));
        if (!ParseAmount(CellText(TableSmlouva, row, 2), terms.reservedInput))
            return cellError(QStringLiteral("Smlouva"), row,
                             QStringLiteral("Rezervovaný příkon [kW]"),
                             QString::fromUtf8(OptionalHint));
        out.terms.push_back(terms);
    }
    std::sort(out.terms.begin(), out.terms.end(),
              [](const ContractTerms& a, const ContractTerms& b) { return a.from < b.from; });

    out.monthlyCapacity.clear();
    for (int row = 0; row < TableMesicniRK->rowCount(); ++row) {
        if (RowEmpty(TableMesicniRK, row))
            continue;
        const std::string month = ParseMonth(CellText(TableMesicniRK, row, 0));
        if (month.empty())
            return cellError(QStringLiteral("Měsíční RK"), row, QStringLiteral("Měsíc"),
                             QString::fromUtf8(MonthHint));
        std::optional<double> capacity;
        if (!ParseAmount(CellText(TableMesicniRK, row, 1), capacity) || !capacity)
            return cellError(QStringLiteral("Měsíční RK"), row, QStringLiteral("Měsíční RK [kW]"),
                             QString::fromUtf8(NumberHint));
        if (!out.monthlyCapacity.emplace(month, *capacity).second)
            return cellError(
                QStringLiteral("Měsíční RK"), row, QStringLiteral("Měsíc"),
                QStringLiteral("měsíc %1 je uveden dvakrát").arg(QString::fromStdString(month)));
    }
    return true;
}

bool ContractWindow::save()
{
    DeviceContract edited;
    QString error;
    if (!collect(edited, error)) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Smlouva a ceník"),
                        QStringLiteral("Smlouvu nelze uložit, pole není platné:\n%1").arg(error),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("ContractInvalidBox"));
        box.exec();
        return false;
    }
    const std::string& folder = m_shownFolder;
    if (m_unreadable) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Smlouva a ceník"),
                        LabelPoskozeno->text(), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("ContractSaveErrorBox"));
        box.exec();
        return false;
    }
    // The invoices are the bill window's: they stay as the file has them.
    DeviceContract& target = m_file.contracts.forDevice(m_shownDevice);
    edited.invoices = target.invoices;
    target = edited;
    int32_t saved = m_file.Save(folder);
    ContractFile* written = &m_file;
    ContractFile latest;
    if (saved == ContractFile::ChangedOnDisk) {
        if (QMessageBox::question(
                this, QStringLiteral("Smlouva a ceník"),
                QStringLiteral("Soubor smlouvy mezitím změnila jiná kopie programu. Přepsat?"),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            LabelStav->setText(QStringLiteral("Neuloženo."));
            return false;
        }
        // Only this device's contract is overwritten: the other devices and
        // the invoices as the other copy left them stay.
        latest.Load(folder);
        DeviceContract& current = latest.contracts.forDevice(m_shownDevice);
        edited.invoices = current.invoices;
        current = edited;
        saved = latest.Save(folder, true);
        written = &latest;
    }
    if (saved != 0) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Smlouva a ceník"),
                        QStringLiteral("Soubor %1 se nepodařilo uložit: %2")
                            .arg(QString::fromStdString(ContractFile::StoragePath(folder)),
                                 QString::fromStdString(FileProblem(*written, saved))),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("ContractSaveErrorBox"));
        box.exec();
        return false;
    }
    if (written != &m_file)
        m_file = latest;
    QString status = QStringLiteral("Uloženo do %1.")
                         .arg(QString::fromStdString(ContractFile::StoragePath(folder)));
    if (!m_file.KeptCopyPath.empty())
        status += QStringLiteral(" Poškozený soubor byl uschován jako %1.")
                      .arg(QString::fromStdString(m_file.KeptCopyPath));
    LabelPoskozeno->hide();
    // Shown as stored: dates and numbers in the file's form, in its order.
    const std::string shownPrices = m_priceIndex >= 0
                                        ? edited.prices[static_cast<std::size_t>(m_priceIndex)].from
                                        : std::string();
    m_contract = edited;
    m_priceIndex = -1;
    for (std::size_t i = 0; i < m_contract.prices.size(); ++i)
        if (m_contract.prices[i].from == shownPrices)
            m_priceIndex = static_cast<int>(i);
    fillWindow();
    LabelStav->setText(status);
    emit contractSaved();
    return true;
}

} // namespace kw
