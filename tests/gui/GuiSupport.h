// What the window tests share: program directories and the program started
// on them, answers to message boxes, a settings store of their own, a
// recording output target, printing into PDF files, lookups by object name,
// and an engine without the program for the tests of one window.
#pragma once

#include "app/Application.h"
#include "listing/Engine.h"
#include "output/Output.h"
#include "tools/DemoArchive.h"
#include "ui/UserSettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPrinter>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <optional>
#include <string>

namespace kwtest {

// ---- Settings ----

inline const QString SettingsOrganization = QStringLiteral("Telvanor");
inline const QString SettingsApplication = QStringLiteral("Kwatrix");

// Points the settings store into a temporary folder for the rest of the test
// program, so that nothing touches the user's real settings. Call it from
// initTestCase; false when the folder could not be made.
inline bool isolateSettings()
{
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    if (!folder.isValid())
        return false;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    kw::UserSettings::setFolder(folder.path());
    return true;
}

inline void clearSettings()
{
    QFile::remove(kw::UserSettings::filePath());
}

// Stores `value` under `key`; nullopt removes the key.
inline void storeSetting(const QString& key, const std::optional<QString>& value)
{
    kw::UserSettings settings;
    if (value)
        settings.setValue(key, *value);
    else
        settings.remove(key);
}

inline QString storedSetting(const QString& key)
{
    const kw::UserSettings settings;
    return settings.value(key).toString();
}

// ---- Program directories ----

// A program directory in a fresh temporary folder, removed with it.
class ProgramDir {
public:
    ProgramDir() { QVERIFY(m_dir.isValid()); }

    // With the final '/', as the program takes it.
    std::string path() const { return m_dir.path().toStdString() + "/"; }
    QString qpath() const { return m_dir.path() + "/"; }
    QString file(const QString& name) const { return qpath() + name; }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(qpath() + name);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(name));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }
    void write(const QString& name, const std::string& bytes) const
    {
        write(name, QByteArray::fromStdString(bytes));
    }
    void write(const QString& name, const char* text) const { write(name, QByteArray(text)); }

    void writeDemoArchive(const kw::demo::DemoOptions& options) const
    {
        std::string error;
        QVERIFY2(kw::demo::WriteDemoArchive(path(), options, &error), error.c_str());
    }

    // The demo description of `device`: the start-up loads it and the
    // listings can read the demo's month files with it.
    void describe(int device = 0) const
    {
        write(QString::fromStdString(kw::demo::DescriptionFileName(device)),
              kw::demo::DescriptionText(kw::demo::CurrentDescription(device, 100)));
    }

    // An empty month file: all that the device list and the period tree look at.
    void addMonthFile(int device, int year = 2024, int month = 3) const
    {
        write(QString::fromStdString(kw::demo::MonthFileName(device, year, month)), QByteArray());
    }

    void populate(const QList<int>& monthDevices, const QList<int>& described) const
    {
        for (const int device : monthDevices)
            addMonthFile(device);
        for (const int device : described)
            describe(device);
    }

private:
    QTemporaryDir m_dir;
};

// A program directory and the program on it: fill `dir`, then start().
class Program {
public:
    // A new program on the directory as it is now, after the last one has
    // ended (as after a restart); false when its start-up failed.
    bool start()
    {
        app.reset();
        app = std::make_unique<kw::Application>(dir.path());
        return app->startUp();
    }

    ProgramDir dir;
    std::unique_ptr<kw::Application> app;
};

// ---- Message boxes ----

// What a message box showed when it was answered.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QWidget* parent = nullptr;
};

enum class Boxes { Every, NextOnly };

// Presses `button` on the modal message boxes that open while it lives, and
// records what each showed. A modal box runs a message loop of its own, so
// the answer comes from a timer. NextOnly answers one box and leaves the
// later ones to another answerer.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok,
                         Boxes which = Boxes::Every)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, button, which] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (which == Boxes::NextOnly)
                m_timer.stop();
            SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}, box->parentWidget()};
            for (QAbstractButton* shown : box->buttons())
                seen.buttons << box->standardButton(shown);
            boxes << seen;
            if (QAbstractButton* press = box->button(button)) {
                press->click();
            } else {
                // Left open, the box would hang the test.
                qWarning("message box \"%s\" has no button to press", qPrintable(seen.text));
                box->reject();
            }
        });
        m_timer.start(10);
    }
    explicit BoxAnswerer(Boxes which) : BoxAnswerer(QMessageBox::Ok, which) {}

    bool seen() const { return !boxes.isEmpty(); }
    // The first box; an empty record when none opened.
    SeenBox first() const { return boxes.value(0); }
    QStringList captions() const
    {
        QStringList result;
        for (const SeenBox& box : boxes)
            result << box.caption;
        return result;
    }

    QList<SeenBox> boxes;

private:
    QTimer m_timer;
};

// Answers the next modal file dialog with `path` (cancels it when empty),
// first setting its check box `box` (when named) to `checked`.
class FileDialogAnswerer {
public:
    explicit FileDialogAnswerer(const QString& path, const QString& box = QString(),
                                bool checked = false)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, path, box, checked] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_timer.stop();
            caption = dialog->windowTitle();
            if (!box.isEmpty()) {
                if (auto* check = dialog->findChild<QCheckBox*>(box)) {
                    boxWasChecked = check->isChecked();
                    check->setChecked(checked);
                }
            }
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(path);
            // selectFile() leaves the name field alone while it has the focus,
            // which the dialog may or may not have got by now; the whole path
            // typed there is taken as it is.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        m_timer.start(10);
    }

    QString caption;            // of the dialog answered; empty when none opened
    bool boxWasChecked = false; // how the dialog showed the check box

private:
    QTimer m_timer;
};

// ---- Output ----

// Every line the listing hands to the output window, cleared as a window
// with "Mazat před výpisem" on would be.
class RecordingTarget : public kw::OutputTarget {
public:
    // The target of `output` until detach() or the end of its life.
    explicit RecordingTarget(kw::Output& output) : m_output(&output) { output.setTarget(this); }
    ~RecordingTarget() override { detach(); }
    RecordingTarget(const RecordingTarget&) = delete;
    RecordingTarget& operator=(const RecordingTarget&) = delete;

    void detach()
    {
        if (m_output && m_output->target() == this)
            m_output->setTarget(nullptr);
        m_output = nullptr;
    }

    void appendLine(const std::string& line, int32_t) override
    {
        lines << QString::fromStdString(line);
    }
    void clearView() override { lines.clear(); }
    bool clearBeforeListing() const override { return true; }

    QStringList lines;

private:
    kw::Output* m_output = nullptr;
};

// ---- Printing ----

// What a print into a PDF file gave.
struct PrintedPdf {
    bool printed = false; // the print function's answer
    QString docName;      // the document name it gave the printer
    QByteArray bytes;     // the file; empty when none was written
    qsizetype pages() const { return bytes.count("/Type /Page\n"); }
};

// Calls `print` with a printer writing a PDF file, as after a print dialog
// that the user answered.
template <typename Print> PrintedPdf printToPdf(Print print)
{
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("print.pdf")));
    PrintedPdf result;
    result.printed = print(printer);
    result.docName = printer.docName();
    QFile file(printer.outputFileName());
    if (file.open(QIODevice::ReadOnly))
        result.bytes = file.readAll();
    return result;
}

// ---- Windows ----

// The child of `parent` named `name`; a warning names what is missing, so a
// renamed control reads as such rather than as a crash of the test.
template <typename T> T* findChild(const QObject* parent, const QString& name)
{
    T* found = parent->findChild<T*>(name);
    if (!found)
        qWarning("no %s named %s in %s", T::staticMetaObject.className(), qPrintable(name),
                 qPrintable(parent->objectName()));
    return found;
}

// Tree items by caption: the child of `parent` captioned `caption`, the
// first top-level item whose caption starts with `prefix`; null when none.
inline QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const QString& caption)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == caption)
            return parent->child(i);
    return nullptr;
}

inline QTreeWidgetItem* rootStartingWith(QTreeWidget* tree, const QString& prefix)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0).startsWith(prefix))
            return tree->topLevelItem(i);
    return nullptr;
}

// The middle of `item` in the tree's viewport, its parents expanded and the
// tree scrolled to it: where a click on it lands.
inline QPoint itemCentre(QTreeWidget* tree, QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->scrollToItem(item);
    return tree->visualItemRect(item).center();
}

// In place of the program's message boxes: the listing's questions are
// answered "No", and its messages, which a one-window test does not expect,
// show as warnings.
class QuietUi : public kw::ListingUi {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string& caption, const std::string& text, bool) override
    {
        qWarning("listing message \"%s\": %s", caption.c_str(), text.c_str());
    }
};

// The program's state objects without the program, for a test of one window.
struct BareEngine {
    QuietUi ui;
    kw::Engine engine{ui};
};

} // namespace kwtest
