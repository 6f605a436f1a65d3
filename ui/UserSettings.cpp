#include "ui/UserSettings.h"

#include "archive/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <set>

namespace kw {

namespace {

struct Store {
    QString folder; // empty: the user's configuration folder
    // QSettings parses and writes its format only in files: the copies it
    // works on lie here, never beside the user's file.
    std::unique_ptr<QTemporaryDir> copies;
    int nextCopy = 0;
    std::function<void(const QString&)> handler;
    std::vector<QString> pending;
    std::set<QString> told;
};

Store& TheStore()
{
    static Store store;
    return store;
}

QString NewCopyPath()
{
    Store& store = TheStore();
    if (!store.copies)
        store.copies = std::make_unique<QTemporaryDir>();
    if (!store.copies->isValid())
        return QString();
    return store.copies->filePath(QStringLiteral("copy-%1.conf").arg(++store.nextCopy));
}

void Tell(const QString& problem)
{
    Store& store = TheStore();
    if (!store.told.insert(problem).second)
        return;
    if (store.handler)
        store.handler(problem);
    else
        store.pending.push_back(problem);
}

bool WriteCopy(const QString& path, const std::string& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

} // namespace

UserSettings::UserSettings()
{
    const std::string path = filePath().toStdString();
    std::string bytes;
    if (!ReadInputFile(path, MaxSettingsBytes, bytes) && errno != ENOENT) {
        m_readable = false;
        Tell(QStringLiteral("Soubor nastavení %1 nelze načíst: %2.\n\nProgram pracuje s výchozím "
                            "nastavením. Soubor zůstává beze změny a nastavení se do něj "
                            "neukládá.")
                 .arg(filePath(), QString::fromStdString(SystemErrorText(errno))));
        bytes.clear();
    }
    m_viewPath = NewCopyPath();
    if (!m_viewPath.isEmpty() && !WriteCopy(m_viewPath, bytes))
        m_viewPath.clear();
    m_view = std::make_unique<QSettings>(m_viewPath, QSettings::IniFormat);
}

UserSettings::~UserSettings()
{
    save();
    m_view.reset();
    if (!m_viewPath.isEmpty())
        QFile::remove(m_viewPath);
}

QVariant UserSettings::value(const QString& key, const QVariant& defaultValue) const
{
    return m_view->value(key, defaultValue);
}

void UserSettings::setValue(const QString& key, const QVariant& value)
{
    m_view->setValue(key, value);
    m_changes.push_back({key, value});
}

void UserSettings::remove(const QString& key)
{
    m_view->remove(key);
    m_changes.push_back({key, QVariant()});
}

bool UserSettings::save()
{
    if (m_changes.empty())
        return true;
    // What could not be read is kept, not replaced by defaults.
    if (!m_readable)
        return false;
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const auto merge = [this](const std::string& old, std::string& updated) {
        // Only the keys set here change: another copy of the program may
        // have stored others since this one read the file.
        const QString copy = NewCopyPath();
        if (copy.isEmpty() || !WriteCopy(copy, old))
            return false;
        bool ok = false;
        {
            QSettings merged(copy, QSettings::IniFormat);
            for (const Change& change : m_changes) {
                if (change.value.isValid())
                    merged.setValue(change.key, change.value);
                else
                    merged.remove(change.key);
            }
            merged.sync();
            ok = merged.status() == QSettings::NoError;
        }
        QFile file(copy);
        if (ok && file.open(QIODevice::ReadOnly))
            updated = file.readAll().toStdString();
        else
            ok = false;
        file.close();
        QFile::remove(copy);
        return ok;
    };
    std::string reason;
    if (!UpdateFile(path.toStdString(), MaxSettingsBytes, merge, &reason)) {
        Tell(QStringLiteral("Nastavení programu se nepodařilo uložit.\n%1")
                 .arg(QString::fromStdString(SaveFailureText(path.toStdString(), reason))));
        return false;
    }
    m_changes.clear();
    return true;
}

QString UserSettings::filePath()
{
    const Store& store = TheStore();
    const QString folder =
        store.folder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            : store.folder;
    return folder + QStringLiteral("/Telvanor/Kwatrix.conf");
}

void UserSettings::setFolder(const QString& folder)
{
    TheStore().folder = folder;
}

void UserSettings::setProblemHandler(std::function<void(const QString&)> handler)
{
    Store& store = TheStore();
    store.handler = std::move(handler);
    if (!store.handler)
        return;
    std::vector<QString> pending;
    pending.swap(store.pending);
    for (const QString& problem : pending)
        store.handler(problem);
}

} // namespace kw
