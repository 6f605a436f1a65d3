#pragma once

#include "analysis/Bill.h"
#include "analysis/Contract.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QByteArray;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace kw {

class ArchiveDescription;
class DayArchive;
class DayDivision;
struct ListingSettings;
struct ProgramLocation;

// "Kontrola vyúčtování": the distribution bill of each month of a year,
// worked out from the archive by the contract in KWATRIX-SMLOUVA.INI, and
// for the selected month its items against the invoice the user types in.
// The months are listed quietly, on an engine of their own.
class BillWindow : public QWidget {
    Q_OBJECT

public:
    BillWindow(const ProgramLocation& location, const ArchiveDescription& description,
               const DayArchive& archive, const ListingSettings& settings,
               const DayDivision& division, QWidget* parent = nullptr);

    // The bills of `year` (when the device has no month file in it: the
    // newest year that has one), shown.
    void showYear(int32_t year);
    // The device or the archive folder changed: a window on screen shows
    // the new one's bills.
    void archiveChanged();
    // The contract file was saved elsewhere: read again and recompute.
    void contractChanged();

    const YearBill& bill() const { return m_bill; }

signals:
    // A double click on a month: the main window lists the whole month of
    // the block titled `blockTitle`.
    void wholeMonthRequested(int year, int month, const QString& blockTitle);
    // The contract is missing or incomplete and the user wants to fill it.
    void contractRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepare(int32_t year);
    int32_t chosenYear() const;
    // The contract file read again; what it says about this device.
    void loadContract();
    void relist();
    std::string filesSignature() const;
    void relistWhenFilesChanged();
    void rebuildExportMenu();
    void showMonths();
    void showProblem();
    const MonthBill* selectedMonth() const;
    void showDetail();
    void showInvoice();
    void invoiceEdited(QTableWidgetItem* item);
    void pasteInvoice();
    void importInvoices();
    void toleranceEdited();
    // Applies `change` to the contract of the device as the file holds it
    // now and saves it; false (after telling the user) when not saved.
    bool saveContract(const std::function<void(DeviceContract&)>& change);
    void showAdvice();
    void saveAsPdf();
    QByteArray billPdf() const;
    QString activeBlockTitle() const;

    const ProgramLocation& m_location;
    const ArchiveDescription& m_description;
    const DayArchive& m_archive;
    const ListingSettings& m_settings;
    const DayDivision& m_division;

    std::string m_shownFolder;
    int32_t m_shownDevice = -1;
    int32_t m_menuYear = -1; // the year the export names were made for
    ContractFile m_file;
    bool m_hasContract = false;
    std::string m_loadProblem; // the file could not be read
    // The device's contract with what could not be saved laid over it;
    // without one, the kW block unpriced.
    DeviceContract m_contract;
    std::vector<TariffZone> m_zones;
    YearBill m_bill;
    std::string m_filesSignature;
    std::string m_contractSignature;
    // Typed values that could not be saved, by month and item (none: the
    // item cleared): kept in effect and shown until they are.
    std::map<std::string, std::map<std::string, std::optional<double>>> m_unsaved;

    QComboBox* ComboBoxRok = nullptr;
    QLineEdit* EditTolerance = nullptr;
    QLabel* LabelSmlouva = nullptr;
    QPushButton* ButtonSmlouva = nullptr;
    QTableWidget* TableVyuctovani = nullptr;
    QTableWidget* TableFaktura = nullptr;
    QLabel* LabelFaktura = nullptr;
    QLabel* LabelPodklady = nullptr;
    QListWidget* ListNadRK = nullptr;
    QPushButton* ButtonImport = nullptr;
    QPushButton* ButtonDoporuceni = nullptr;
    QPushButton* ButtonExport = nullptr;
    QMenu* m_exports = nullptr;
};

} // namespace kw
