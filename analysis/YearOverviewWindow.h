#pragma once

#include "analysis/YearOverview.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace kw {

class ArchiveDescription;
class DayArchive;
class DayDivision;
struct ListingSettings;
struct ProgramLocation;

// "Roční přehled": a row for each month of a year with data, of the device
// and the settings the main window lists with, and below the table a chart
// of the monthly energy with the monthly maximum and the reserved capacity.
// The months are listed quietly, on an engine of their own.
class YearOverviewWindow : public QWidget {
    Q_OBJECT

public:
    YearOverviewWindow(const ProgramLocation& location, const ArchiveDescription& description,
                       const DayArchive& archive, const ListingSettings& settings,
                       const DayDivision& division, QWidget* parent = nullptr);

    // Makes the overview of `year` (when the device has no month file in it:
    // the newest year that has one) for the block the main window lists,
    // and shows the window.
    void showYear(int32_t year);
    // The device or the archive folder changed: a window on screen shows
    // the new one's overview.
    void archiveChanged();
    // The contract file was saved elsewhere: the capacity field shows what
    // it holds now.
    void contractChanged();

    const YearOverview& overview() const { return m_overview; }

signals:
    // A double click on a month: the main window lists the whole month of
    // the block titled `blockTitle`.
    void wholeMonthRequested(int year, int month, const QString& blockTitle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The overview of `year` for the device and folder in use.
    void prepare(int32_t year);
    // The years and blocks of the device as the files hold them now.
    void fillChoices(int32_t year, int32_t block);
    int32_t chosenYear() const;
    int32_t chosenBlock() const;
    const OverviewBlock* chosenBlockInfo() const;
    // Lists the months of the chosen year and block again.
    void relist();
    // The month files of the chosen year as they are now; relist when they
    // are no longer those listed.
    std::string filesSignature() const;
    void relistWhenFilesChanged();
    // The overview of the listed months with the capacity in the field.
    void summarise();
    // The capacity of the chosen block: the contract's annual RK on 1 January
    // of the chosen year for its active block, else the user's own.
    void showCapacity();
    void showTable();
    void showChart();
    // Marks the capacity field pink with a hint when it holds no valid
    // capacity; true when it does.
    bool markCapacity();
    void capacityTyped();
    void capacityEdited();
    void listMonthOfRow(int row);
    void copyTable();

    const ProgramLocation& m_location;
    const ArchiveDescription& m_description;
    const DayArchive& m_archive;
    const ListingSettings& m_settings;
    const DayDivision& m_division;

    std::string m_shownFolder;
    int32_t m_shownDevice = -1;
    std::vector<OverviewBlock> m_blocks;
    std::vector<MonthSeries> m_months;
    std::string m_filesSignature; // of the month files listed
    YearOverview m_overview;
    bool m_contractCapacity = false; // the field shows the contract's RK
    bool m_capacitySaving = false;

    QComboBox* ComboBoxRok = nullptr;
    QComboBox* ComboBoxBlok = nullptr;
    QLineEdit* EditKapacita = nullptr;
    QLabel* LabelJednotka = nullptr;
    QPushButton* ButtonKopirovat = nullptr;
    QPushButton* ButtonExport = nullptr;
    QMenu* m_exports = nullptr;
    QTableWidget* TablePrehled = nullptr;
    QLabel* LabelSouhrn = nullptr;
    QCustomPlot* ChartPrehled = nullptr;
    QAction* Kopirovat1 = nullptr;
    QAction* VypsatMesic1 = nullptr;
};

} // namespace kw
