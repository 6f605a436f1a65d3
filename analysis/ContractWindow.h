#pragma once

#include "analysis/Contract.h"
#include "analysis/YearOverview.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTableWidget;
class QTableWidgetItem;

namespace kw {

class DayDivision;
struct ProgramLocation;

// The blocks a contract new to the file starts with: the first block in kW
// as the active one, the first in kVAr as the reactive one.
void SetDefaultBlocks(DeviceContract& contract, const std::vector<OverviewBlock>& blocks);

// The terms in force on `day` ("YYYY-MM-DD"); null before the first.
const ContractTerms* TermsInForce(const DeviceContract& contract, const std::string& day);

// The reserved capacity a window shows for a block: for the contract's
// active block the annual RK of the terms in force on `day`, for any other
// block (and while the contract cannot be read) the user's own setting.
struct BlockCapacity {
    bool fromContract = false;
    std::optional<double> value;
};
BlockCapacity CapacityOfBlock(const std::string& programPath, int32_t device, int32_t block,
                              const std::string& day);

// The capacity the user kept in the settings for the device's active block
// moves into the contract, when the contract has no terms yet: as the terms
// from 2000-01-01. The setting goes only after the file was saved. Empty, or
// why the file could not be saved.
std::string MigrateReservedCapacity(const std::string& programPath, int32_t device,
                                    const std::vector<OverviewBlock>& blocks);

// Writes the annual RK of the terms in force on 1 January of `year` (new
// terms from that day when none are in force). Empty, or why not.
std::string SetContractCapacity(const std::string& programPath, int32_t device, int32_t year,
                                std::optional<double> capacity);

// "Smlouva a ceník": the contract and the price lists of the device in use,
// kept in the contract file of the archive folder.
class ContractWindow : public QWidget {
    Q_OBJECT

public:
    ContractWindow(const ProgramLocation& location, const DayDivision& division,
                   QWidget* parent = nullptr);

    // The device or the archive folder changed: a window on screen shows
    // the new one's contract.
    void archiveChanged();
    // Saves what the window shows; true when saved.
    bool save();

signals:
    void contractSaved();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Field {
        QLineEdit* edit;
        QString label;
    };

    void load();
    // Shows m_contract.
    void fillWindow();
    void fillBlockChoice(QComboBox* combo, int32_t block);
    void fillPriceChoice(int index);
    void showPriceList();
    // The fields of the price list shown into m_contract.prices; false (and
    // `error`) when one is invalid.
    bool takePriceList(QString& error);
    void priceListChosen(int index);
    void addPriceList();
    void removePriceList();
    // Marks an edit or a cell as typed; the tests of the values are those
    // of the save.
    void markEdit(QLineEdit* edit, bool optional);
    void markCell(QTableWidgetItem* item);
    // The whole contract from the window, or the first field that is wrong.
    bool collect(DeviceContract& out, QString& error);
    void addRow(QTableWidget* table);
    void removeRow(QTableWidget* table);

    const ProgramLocation& m_location;
    const DayDivision& m_division;

    std::string m_shownFolder;
    int32_t m_shownDevice = -1;
    std::vector<OverviewBlock> m_blocks;
    ContractFile m_file;
    DeviceContract m_contract; // as shown; its prices follow the price list shown
    int m_priceIndex = -1;     // of m_contract.prices shown
    bool m_filling = false;
    bool m_unreadable = false; // the file is there but could not be read

    QLabel* LabelPoskozeno = nullptr;
    QComboBox* ComboBoxCinnyBlok = nullptr;
    QComboBox* ComboBoxJalovyBlok = nullptr;
    QComboBox* ComboBoxKapacitniBlok = nullptr;
    QLineEdit* EditTolerance = nullptr;
    QTableWidget* TableSmlouva = nullptr;
    QTableWidget* TableMesicniRK = nullptr;
    QComboBox* ComboBoxCenik = nullptr;
    QPushButton* ButtonNovyCenik = nullptr;
    QPushButton* ButtonOdebratCenik = nullptr;
    std::vector<Field> m_priceFields;
    QTableWidget* TableTarify = nullptr;
    QTableWidget* TableUcinik = nullptr;
    QPushButton* ButtonPridatPasmo = nullptr;
    QPushButton* ButtonOdebratPasmo = nullptr;
    QPushButton* ButtonVychozi = nullptr;
    QLabel* LabelStav = nullptr;
    QPushButton* ButtonUlozit = nullptr;
    QPushButton* ButtonZavrit = nullptr;
};

} // namespace kw
