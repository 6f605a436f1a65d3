#include "store/SitesWindow.h"

#include "analysis/WindowNumbers.h"
#include "archive/DateTime.h"
#include "archive/Devices.h"
#include "archive/ProgramLocation.h"
#include "calendar/Calendar.h"
#include "graph/Series.h"
#include "graph/SeriesExport.h"
#include "store/StoreDb.h"
#include "store/Sync.h"
#include "ui/WindowSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <map>
#include <memory>

namespace kw {

namespace {

QString SitesCount(std::size_t n)
{
    const char* word = n == 1 ? "lokalita" : n >= 2 && n <= 4 ? "lokality" : "lokalit";
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word));
}

} // namespace

std::string SqliteStorePath(const std::string& url)
{
    // As OpenStore reads it.
    if (url.rfind("sqlite:", 0) != 0)
        return std::string();
    std::string path = url.substr(7);
    if (path.rfind("//", 0) == 0)
        path = path.substr(2);
    return path;
}

SitesWindow::SitesWindow(const ProgramLocation& location, QWidget* parent)
    : QWidget(parent, Qt::Window), m_location(location)
{
    setObjectName(QStringLiteral("TFormLokality"));
    setWindowTitle(QStringLiteral("Lokality"));
    setFont(WindowFont(8));
    resize(980, 400);

    auto* storeRow = new QHBoxLayout;
    storeRow->addWidget(new QLabel(QStringLiteral("Úložiště:"), this));
    EditUloziste = new QLineEdit(this);
    EditUloziste->setObjectName(QStringLiteral("EditUloziste"));
    EditUloziste->setPlaceholderText(
        QStringLiteral("sqlite:/cesta/soubor.sqlite nebo postgresql://uživatel@server/databáze"));
    storeRow->addWidget(EditUloziste, 1);
    storeRow->addWidget(new QLabel(QStringLiteral("Heslo:"), this));
    EditHeslo = new QLineEdit(this);
    EditHeslo->setObjectName(QStringLiteral("EditHeslo"));
    EditHeslo->setEchoMode(QLineEdit::Password);
    EditHeslo->setPlaceholderText(QStringLiteral("je-li třeba"));
    EditHeslo->setFixedWidth(EditHeslo->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 18);
    storeRow->addWidget(EditHeslo);
    ButtonNacist = new QPushButton(QStringLiteral("Načíst"), this);
    ButtonNacist->setObjectName(QStringLiteral("ButtonNacist"));
    storeRow->addWidget(ButtonNacist);

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("Rok:"), this));
    SpinRok = new QSpinBox(this);
    SpinRok->setObjectName(QStringLiteral("SpinRok"));
    SpinRok->setRange(1980, 2079);
    SpinRok->setValue(QDate::currentDate().year());
    // A year typed digit by digit is read once, not at every digit.
    SpinRok->setKeyboardTracking(false);
    choices->addWidget(SpinRok);
    choices->addSpacing(12);
    choices->addWidget(new QLabel(QStringLiteral("Údaj:"), this));
    ComboBoxUdaj = new QComboBox(this);
    ComboBoxUdaj->setObjectName(QStringLiteral("ComboBoxUdaj"));
    ComboBoxUdaj->addItem(QStringLiteral("Maximum"), int(Figure::Maximum));
    ComboBoxUdaj->addItem(QStringLiteral("Nad rezervovanou kapacitou"), int(Figure::OverCapacity));
    ComboBoxUdaj->addItem(QStringLiteral("Energie"), int(Figure::Energy));
    ComboBoxUdaj->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choices->addWidget(ComboBoxUdaj);
    choices->addStretch(1);
    choices->addWidget(MakeHelpButton(this, "ButtonNapoveda", QStringLiteral("ULOZISTE")));

    TableLokality = new QTableWidget(0, 12, this);
    TableLokality->setObjectName(QStringLiteral("TableLokality"));
    TableLokality->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableLokality->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableLokality->setSelectionMode(QAbstractItemView::SingleSelection);
    TableLokality->setAlternatingRowColors(true);
    TableLokality->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    TableLokality->verticalHeader()->setDefaultSectionSize(TableLokality->fontMetrics().height() +
                                                           6);
    QStringList months;
    for (const char* m : CzechMonthAbbreviations)
        months << QString::fromUtf8(m);
    TableLokality->setHorizontalHeaderLabels(months);
    for (int m = 0; m < 12; ++m)
        TableLokality->horizontalHeaderItem(m)->setToolTip(
            QString::fromStdString(MonthNames(m + 1)));
    TableLokality->setToolTip(QStringLiteral("Dvojklik na lokalitu: otevře její archiv"));

    LabelStav = new QLabel(this);
    LabelStav->setObjectName(QStringLiteral("LabelStav"));
    LabelStav->setWordWrap(true);
    LabelStav->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(storeRow);
    layout->addLayout(choices);
    layout->addWidget(TableLokality, 1);
    layout->addWidget(LabelStav);

    connect(ButtonNacist, &QPushButton::clicked, this, &SitesWindow::load);
    connect(EditUloziste, &QLineEdit::returnPressed, this, &SitesWindow::load);
    connect(EditHeslo, &QLineEdit::returnPressed, this, &SitesWindow::load);
    connect(SpinRok, &QSpinBox::valueChanged, this, [this] {
        if (!m_loadedUrl.empty())
            load();
    });
    connect(ComboBoxUdaj, &QComboBox::activated, this, &SitesWindow::showTable);
    connect(TableLokality, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openSiteOfRow(row); });
    connect(TableLokality->verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
            &SitesWindow::openSiteOfRow);
}

void SitesWindow::prepareAndShow()
{
    if (m_loadedUrl.empty()) {
        const std::string remembered = RememberedStoreUrl(m_location.ProgramPath);
        EditUloziste->setText(
            QString::fromStdString(remembered.empty() ? DefaultStoreUrl() : remembered));
    }
    ShowWindowNormal(this);
    // A server may keep the window waiting: only a file is read unasked.
    const std::string path = SqliteStorePath(EditUloziste->text().trimmed().toStdString());
    if (!m_loadedUrl.empty() || (!path.empty() && QFileInfo(QString::fromStdString(path)).isFile()))
        load();
}

void SitesWindow::storeSynced(const QString& url)
{
    if (isVisible() && !m_loadedUrl.empty() && m_loadedUrl == url.toStdString())
        load();
}

void SitesWindow::load()
{
    const std::string url = EditUloziste->text().trimmed().toStdString();
    const int32_t year = SpinRok->value();
    if (url.empty()) {
        showProblem(QStringLiteral("Zadejte úložiště."));
        return;
    }
    // Reading must not leave an empty store behind a mistyped name.
    const std::string path = SqliteStorePath(url);
    if (!path.empty() && !QFileInfo(QString::fromStdString(path)).exists()) {
        showProblem(QString::fromStdString(StoreMessage(
            RedactedStoreUrl(url), "soubor neexistuje; archiv do něj nejdříve synchronizujte "
                                   "(Archiv → Synchronizovat do úložiště…)")));
        return;
    }
    struct WaitCursor {
        WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    } wait;
    std::vector<Site> sites;
    std::string name;
    try {
        const std::unique_ptr<StoreDb> db = OpenStore(url, EditHeslo->text().toStdString(), false);
        name = db->name();
        std::map<std::string, std::vector<SiteMonth>> months;
        for (SiteMonth& row : SitesYear(*db, year, std::nullopt))
            months[row.site].push_back(std::move(row));
        // Every site, also one with nothing to show, which must not vanish.
        for (const StoreSite& s : StoreSites(*db)) {
            Site site;
            site.name = s.name;
            site.folder = s.folder;
            const auto of = months.find(s.name);
            if (of != months.end()) {
                site.months = std::move(of->second);
                site.device = site.months.front().device;
                site.block = site.months.front().block;
                // The units of the block shown, as its series has them.
                for (const StoreChannel& c : StoreChannels(*db, s.id)) {
                    if (c.device != site.device || c.block.name != site.block)
                        continue;
                    Series series;
                    series.kind = c.kind;
                    series.block = c.block;
                    site.unit = series.valueUnit();
                    site.energyUnit = series.energyUnit();
                }
            }
            sites.push_back(std::move(site));
        }
    } catch (const StoreError& e) {
        showProblem(QString::fromStdString(e.what()));
        return;
    } catch (const std::exception& e) {
        showProblem(QString::fromStdString(StoreMessage(RedactedStoreUrl(url), e.what())));
        return;
    }
    m_sites = std::move(sites);
    m_loadedUrl = UrlWithoutPassword(url);
    m_loadedYear = year;
    LabelStav->setStyleSheet(QString());
    QStringList empty;
    for (const Site& site : m_sites)
        if (site.months.empty())
            empty << QString::fromStdString(site.name);
    LabelStav->setText(
        m_sites.empty() ? QStringLiteral("Úložiště „%1“ nemá žádnou lokalitu.")
                              .arg(QString::fromStdString(name))
                        : QStringLiteral("Úložiště „%1“: %2, rok %3%4")
                              .arg(QString::fromStdString(name), SitesCount(m_sites.size()))
                              .arg(year)
                              .arg(empty.isEmpty() ? QString()
                                                   : QStringLiteral("; bez bloku k zobrazení: ") +
                                                         empty.join(QStringLiteral(", "))));
    showTable();
}

void SitesWindow::showProblem(const QString& problem)
{
    m_sites.clear();
    m_loadedUrl.clear();
    TableLokality->setRowCount(0);
    LabelStav->setStyleSheet(QStringLiteral("color: #b00000"));
    LabelStav->setText(problem);
}

SitesWindow::Figure SitesWindow::chosenFigure() const
{
    return static_cast<Figure>(ComboBoxUdaj->currentData().toInt());
}

void SitesWindow::showTable()
{
    const Figure figure = chosenFigure();
    TableLokality->clearSelection();
    TableLokality->setRowCount(static_cast<int>(m_sites.size()));
    for (std::size_t r = 0; r < m_sites.size(); ++r) {
        const Site& site = m_sites[r];
        const QString unit = QString::fromStdString(site.unit);
        const QString energyUnit = QString::fromStdString(site.energyUnit);
        // The unit of the figure shown, which may differ from site to site.
        const QString shownUnit = figure == Figure::Maximum  ? unit
                                  : figure == Figure::Energy ? energyUnit
                                                             : QString();
        auto* heading = new QTableWidgetItem(
            shownUnit.isEmpty()
                ? QString::fromStdString(site.name)
                : QStringLiteral("%1 [%2]").arg(QString::fromStdString(site.name), shownUnit));
        heading->setToolTip(
            site.months.empty()
                ? QStringLiteral("Složka %1\nV úložišti není blok, ze kterého by šel přehled "
                                 "sestavit")
                      .arg(QString::fromStdString(site.folder))
                : QStringLiteral("Složka %1\nZařízení %2, blok %3")
                      .arg(QString::fromStdString(site.folder))
                      .arg(site.device)
                      .arg(QString::fromStdString(site.block)));
        TableLokality->setVerticalHeaderItem(static_cast<int>(r), heading);
        for (int col = 0; col < 12; ++col) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            TableLokality->setItem(static_cast<int>(r), col, item);
            if (static_cast<std::size_t>(col) >= site.months.size())
                continue;
            const SiteMonth& sm = site.months[static_cast<std::size_t>(col)];
            const MonthOverview& m = sm.month;
            const bool values = m.count > 0;
            QString text;
            switch (figure) {
            case Figure::Maximum:
                text = values ? CzechNumber(m.maximum) : QString();
                break;
            case Figure::OverCapacity:
                // Without a contract's capacity there is nothing to be over.
                text = values && sm.capacity ? QString::number(m.overCapacity) : QString();
                if (values && sm.capacity && m.overCapacity > 0)
                    item->setForeground(QColor(190, 0, 0));
                break;
            case Figure::Energy:
                text = values ? CzechFixed(m.energy, 2) : QString();
                break;
            }
            // A month that cannot be read must not pass for one without data.
            if (m.state == MonthState::Unreadable && !values) {
                text = QStringLiteral("chyba");
                item->setForeground(QColor(190, 0, 0));
            } else if (m.state == MonthState::Partly) {
                item->setForeground(QColor(150, 90, 0));
            } else if (values && m.count < m.expected) {
                // Unfinished or with a gap: no figure of the whole month.
                QFont font = item->font();
                font.setItalic(true);
                item->setFont(font);
                if (!item->data(Qt::ForegroundRole).isValid())
                    item->setForeground(QColor(110, 110, 110));
            }
            item->setText(text);
            if (m.state == MonthState::NoFile)
                continue;
            QStringList tip{QStringLiteral("%1, %2 %3")
                                .arg(QString::fromStdString(site.name),
                                     QString::fromStdString(MonthNames(m.month)))
                                .arg(m_loadedYear),
                            QStringLiteral("Zařízení %1, blok %2")
                                .arg(site.device)
                                .arg(QString::fromStdString(site.block)),
                            QStringLiteral("Čtvrthodin %1 z %2").arg(m.count).arg(m.expected)};
            if (values) {
                tip << QStringLiteral("Maximum %1 %2 (%3)")
                           .arg(CzechNumber(m.maximum), unit, QuarterHourEndText(m.maximumX))
                    << QStringLiteral("Energie %1 %2").arg(CzechFixed(m.energy, 2), energyUnit);
                if (sm.capacity)
                    tip << QStringLiteral("Rezervovaná kapacita %1 %2, nad ní %3 čtvrthodin")
                               .arg(CzechNumber(*sm.capacity), unit)
                               .arg(m.overCapacity);
                else
                    tip << QStringLiteral("Bez rezervované kapacity ve smlouvě");
            }
            if (!m.reason.empty())
                tip << QString::fromStdString(m.reason);
            item->setToolTip(tip.join(QLatin1Char('\n')));
        }
    }
}

void SitesWindow::openSiteOfRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_sites.size()))
        return;
    const Site& site = m_sites[static_cast<std::size_t>(row)];
    if (!site.folder.empty() && HoldsArchive(site.folder)) {
        emit archiveRequested(QString::fromStdString(site.folder));
        return;
    }
    QMessageBox box(
        QMessageBox::Warning, windowTitle(),
        QStringLiteral("Archiv lokality „%1“ není odsud dostupný: ve složce %2 "
                       "není archiv (nebo složka neexistuje).")
            .arg(QString::fromStdString(site.name), QString::fromStdString(site.folder)),
        QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("SiteFolderBox"));
    box.exec();
}

} // namespace kw
