#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QMenu;
class QMenuBar;
class QPrinter;
class QPushButton;
class QRect;
class QTableWidget;
class QWidget;

namespace kw {

// What every window of the program shares: fonts, icons, named menus and
// controls, the help buttons, printing menus and the running of a user
// action whose failure ends in a message box.

// The desktop's sans-serif font at `pointSize`; it stands for "MS Sans Serif".
QFont WindowFont(int pointSize = 8);
// An icon drawn from an SVG resource at the usual icon sizes.
QIcon SvgIcon(const QString& resource);
// Un-minimises a window, shows it and brings it to the front.
void ShowWindowNormal(QWidget* window);
// Moves (and if need be shrinks) a window so that it lies inside the
// available area of its screen: a place stored on a larger screen or
// another monitor must not leave it out of reach.
void KeepOnScreen(QWidget* window);

// Menus and items carry their given names as objectName.
QMenu* AddNamedMenu(QMenuBar* bar, const char* name, const QString& title);
QAction* AddNamedAction(QMenu* menu, const char* name, const QString& text);

// The "Tisk" menu of the output and graph windows: "Nastavení tiskárny" sets
// up the program's one printer, "Tisk" asks the print dialog and then runs
// `print`, telling the user when it could not start.
QMenu* AddPrintMenu(QMenuBar* bar, QWidget* window, QPrinter& printer,
                    std::function<bool(QPrinter&)> print, bool pageRanges);

// A check box of the save dialog of an export, remembered per user under
// `settingKey` (empty: it starts as `checked` each time).
struct ExportChoice {
    QString text;
    QString name; // its objectName
    QString settingKey;
    bool checked = false;
};

// The file an export goes to, asked with the save dialog, which asks before
// an existing file is replaced; empty when cancelled. With `choice` given,
// the dialog carries its check box and hands back whether it was checked.
// The folder chosen last is where the dialog opens.
QString AskExportPath(QWidget* parent, const QString& caption, const QString& suggestedName,
                      const QString& filter, ExportChoice* choice = nullptr);
// Writes an export: the file is replaced atomically (a link is followed, a
// write-protected file refused); a failure is a Czech message box with the
// system's reason. True when saved.
bool SaveExport(QWidget* parent, const QString& path, const QByteArray& bytes);
// A failed save of an export: a Czech message box with the reason.
void ShowExportFailure(QWidget* parent, const QString& path, const std::string& reason);
// After an export was saved: the window's status line says where it went.
void ReportExportSaved(QWidget* window, const QString& path);
// An export of a window that shows no listing is refused with a message,
// never saved empty as if done.
void RefuseEmptyExport(QWidget* parent);

// The reserved capacity ("Rezervovaná kapacita") of a block of a device in an
// archive folder, in the block's unit, kept per user; none when not set.
std::optional<double> ReservedCapacity(const QString& archiveFolder, int device, int block);
void SetReservedCapacity(const QString& archiveFolder, int device, int block,
                         std::optional<double> capacity);

// Runs one user action; a UserActionError (an I/O error, a failed write)
// ends it with a message box over `parent`, and the program goes on. False
// when the action was ended so.
bool RunUserAction(QWidget* parent, const std::function<void()>& action);

// A "?" button that opens `topic` of the help.
QPushButton* MakeHelpButton(QWidget* parent, const char* objectName, const QString& topic);
// A named push button that Enter in an edit field does not press.
QPushButton* MakeSettingsButton(const QString& text, const char* name, QWidget* parent,
                                const QRect& at);
QCheckBox* MakeSettingsCheckBox(const QString& text, const char* name, QWidget* parent,
                                const QRect& at);

// A grid laid out as the settings windows use it: fixed row heights, no
// editing, fixed column widths (narrow ones allowed).
void SetUpSettingsGrid(QTableWidget* grid, int rowHeaderWidth, int rowHeight);

// Draws a cell's text centred over the whole cell, for the narrow "x" columns
// where the usual margins would leave no room for a letter.
class NarrowCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace kw
