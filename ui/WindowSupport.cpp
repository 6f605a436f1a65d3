#include "ui/WindowSupport.h"

#include "archive/AtomicFile.h"
#include "archive/Errors.h"
#include "ui/Help.h"
#include "ui/UserSettings.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QSvgRenderer>
#include <QTableWidget>

#include <algorithm>

namespace kw {

QFont WindowFont(int pointSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    return font;
}

QIcon SvgIcon(const QString& resource)
{
    // Drawn here rather than left to the SVG icon plugin, which a desktop may lack.
    QSvgRenderer renderer(resource);
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void ShowWindowNormal(QWidget* window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void KeepOnScreen(QWidget* window)
{
    QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
    if (!screen)
        screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    const QSize margins = frame.size() - window->size();
    if (frame.width() > area.width() || frame.height() > area.height()) {
        const QSize fits(std::min(frame.width(), area.width()) - margins.width(),
                         std::min(frame.height(), area.height()) - margins.height());
        window->resize(fits.expandedTo(window->minimumSize()));
        frame = window->frameGeometry();
    }
    const int left = std::clamp(frame.left(), area.left(),
                                std::max(area.left(), area.right() - frame.width() + 1));
    const int top = std::clamp(frame.top(), area.top(),
                               std::max(area.top(), area.bottom() - frame.height() + 1));
    if (left != frame.left() || top != frame.top())
        window->move(left, top);
}

QMenu* AddNamedMenu(QMenuBar* bar, const char* name, const QString& title)
{
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction* AddNamedAction(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu* AddPrintMenu(QMenuBar* bar, QWidget* window, QPrinter& printer,
                    std::function<bool(QPrinter&)> print, bool pageRanges)
{
    QMenu* menu = AddNamedMenu(bar, "Tisk1", QStringLiteral("Tisk"));
    QAction* setup = AddNamedAction(menu, "Nastaventiskrny1", QStringLiteral("Nastavení tiskárny"));
    QAction* run = AddNamedAction(menu, "Tisk2", QStringLiteral("Tisk"));
    QObject::connect(setup, &QAction::triggered, window, [window, &printer] {
        QPageSetupDialog dialog(&printer, window);
        dialog.exec();
    });
    QObject::connect(run, &QAction::triggered, window,
                     [window, &printer, print = std::move(print), pageRanges] {
                         QPrintDialog dialog(&printer, window);
                         dialog.setOption(QAbstractPrintDialog::PrintPageRange, pageRanges);
                         if (dialog.exec() != QDialog::Accepted)
                             return;
                         if (!print(printer))
                             QMessageBox::warning(window, QStringLiteral("Tisk"),
                                                  QStringLiteral("Tisk se nepodařilo spustit."));
                     });
    return menu;
}

QString AskExportPath(QWidget* parent, const QString& caption, const QString& suggestedName,
                      const QString& filter, ExportChoice* choice)
{
    UserSettings settings;
    const QString folder = settings.value(QStringLiteral("Export/Folder")).toString();
    QFileDialog dialog(parent, caption,
                       QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(suggestedName),
                       filter);
    dialog.setObjectName(QStringLiteral("ExportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QFileInfo(suggestedName).suffix());
    // Qt's own dialog, so that it can carry the check box.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QCheckBox* box = nullptr;
    if (choice) {
        box = new QCheckBox(choice->text, &dialog);
        box->setObjectName(choice->name);
        box->setChecked(choice->settingKey.isEmpty()
                            ? choice->checked
                            : settings.value(choice->settingKey).toString() == QLatin1String("1"));
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().first();
    settings.setValue(QStringLiteral("Export/Folder"), QFileInfo(path).absolutePath());
    if (box) {
        choice->checked = box->isChecked();
        if (!choice->settingKey.isEmpty())
            settings.setValue(choice->settingKey,
                              choice->checked ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return path;
}

bool SaveExport(QWidget* parent, const QString& path, const QByteArray& bytes)
{
    std::string reason;
    if (SaveFile(path.toStdString(), std::string_view(bytes.constData(), bytes.size()), &reason)) {
        ReportExportSaved(parent, path);
        return true;
    }
    ShowExportFailure(parent, path, reason);
    return false;
}

void ShowExportFailure(QWidget* parent, const QString& path, const std::string& reason)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(SaveFailureCaption),
                    QString::fromStdString(SaveFailureText(path.toStdString(), reason)),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("ExportErrorBox"));
    box.exec();
}

void ReportExportSaved(QWidget* window, const QString& path)
{
    const QString text = QStringLiteral("Uloženo do %1").arg(QDir::toNativeSeparators(path));
    QWidget* top = window ? window->window() : nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(top))
        main->statusBar()->showMessage(text, 15000);
    else if (auto* bar = top ? top->findChild<QStatusBar*>() : nullptr)
        bar->showMessage(text, 15000);
}

void RefuseEmptyExport(QWidget* parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Export"),
                    QStringLiteral("Není co exportovat: okno neukazuje žádný výpis."),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("ExportNothingBox"));
    box.exec();
}

namespace {

// One key per archive folder, device and block; the folder's path is no
// key of its own, as its slashes would make groups of it.
QString CapacityKey(const QString& archiveFolder, int device, int block)
{
    const QByteArray folder = archiveFolder.toUtf8().toBase64(QByteArray::Base64UrlEncoding |
                                                              QByteArray::OmitTrailingEquals);
    return QStringLiteral("Kapacita/%1-%2-%3")
        .arg(QString::fromLatin1(folder))
        .arg(device)
        .arg(block);
}

} // namespace

std::optional<double> ReservedCapacity(const QString& archiveFolder, int device, int block)
{
    const UserSettings settings;
    bool ok = false;
    const double value =
        settings.value(CapacityKey(archiveFolder, device, block)).toString().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

void SetReservedCapacity(const QString& archiveFolder, int device, int block,
                         std::optional<double> capacity)
{
    UserSettings settings;
    const QString key = CapacityKey(archiveFolder, device, block);
    if (capacity)
        settings.setValue(key, QString::number(*capacity, 'g', 12));
    else
        settings.remove(key);
}

bool RunUserAction(QWidget* parent, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const UserActionError& e) {
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(e.caption()),
                        QString::fromStdString(e.what()), QMessageBox::Ok, parent);
        box.setObjectName(QStringLiteral("UserActionErrorBox"));
        box.exec();
        return false;
    }
}

QPushButton* MakeHelpButton(QWidget* parent, const char* objectName, const QString& topic)
{
    auto* button = new QPushButton(QStringLiteral("?"), parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    button->setCursor(Qt::WhatsThisCursor);
    button->setToolTip(QStringLiteral("Nápověda"));
    QObject::connect(button, &QPushButton::clicked, parent,
                     [parent, topic] { OpenHelp(parent, topic); });
    return button;
}

QPushButton* MakeSettingsButton(const QString& text, const char* name, QWidget* parent,
                                const QRect& at)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    // Enter in an edit field must not press a button the user did not mean.
    button->setAutoDefault(false);
    button->setGeometry(at);
    return button;
}

QCheckBox* MakeSettingsCheckBox(const QString& text, const char* name, QWidget* parent,
                                const QRect& at)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(at);
    return box;
}

void SetUpSettingsGrid(QTableWidget* grid, int rowHeaderWidth, int rowHeight)
{
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    grid->setTabKeyNavigation(false);

    QHeaderView* rowsHeader = grid->verticalHeader();
    rowsHeader->setMinimumSectionSize(1);
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(rowHeight);
    rowsHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    rowsHeader->setFixedWidth(rowHeaderWidth);

    QHeaderView* columnsHeader = grid->horizontalHeader();
    columnsHeader->setMinimumSectionSize(1);
    columnsHeader->setSectionResizeMode(QHeaderView::Fixed);
    columnsHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columnsHeader->setFixedHeight(rowHeight);
    columnsHeader->setHighlightSections(false);
    rowsHeader->setHighlightSections(false);
}

void NarrowCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    const QString text = background.text;
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignCenter, text);
    painter->restore();
}

} // namespace kw
