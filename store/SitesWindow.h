#pragma once

#include "store/StoreRead.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kw {

struct ProgramLocation;

// The path of the SQLite file of `url` ("sqlite:PATH", "sqlite://PATH"),
// empty when the store is no SQLite file.
std::string SqliteStorePath(const std::string& url);

// "Lokality": the year of every site of a store, a row a site and a column a
// month, with the monthly maximum, the quarter-hours above the contract's
// reserved capacity or the energy. A double click on a site opens its
// archive folder when it is reachable from here.
class SitesWindow : public QWidget {
    Q_OBJECT

public:
    enum class Figure { Maximum, OverCapacity, Energy };

    explicit SitesWindow(const ProgramLocation& location, QWidget* parent = nullptr);

    // Shown; the first time with the store of the folder open now, read at
    // once when it is an SQLite file that is there.
    void prepareAndShow();
    // Reads the year of the sites from the store in the field.
    void load();
    // A sync into the store of `url` (without password) ended: a window
    // showing that store reads it again.
    void storeSynced(const QString& url);

signals:
    // A double click on a site whose folder holds an archive.
    void archiveRequested(const QString& folder);

private:
    struct Site {
        std::string name;
        std::string folder; // ends in '/'
        int32_t device = 0;
        std::string block;
        std::string unit, energyUnit;
        std::vector<SiteMonth> months; // the twelve, January first
    };

    Figure chosenFigure() const;
    void showTable();
    // Empties the table and says why in the status line.
    void showProblem(const QString& problem);
    void openSiteOfRow(int row);

    const ProgramLocation& m_location;
    std::vector<Site> m_sites;
    std::string m_loadedUrl; // without password; empty until read once
    int32_t m_loadedYear = 0;

    QLineEdit* EditUloziste = nullptr;
    QLineEdit* EditHeslo = nullptr;
    QPushButton* ButtonNacist = nullptr;
    QSpinBox* SpinRok = nullptr;
    QComboBox* ComboBoxUdaj = nullptr;
    QTableWidget* TableLokality = nullptr;
    QLabel* LabelStav = nullptr;
};

} // namespace kw
