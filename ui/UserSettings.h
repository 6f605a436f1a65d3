#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QSettings;

namespace kw {

// Anything larger is no settings file of ours and is not read.
constexpr uint64_t MaxSettingsBytes = 1024 * 1024;

// The per-user settings store (Telvanor/Kwatrix.conf in the user's
// configuration folder, in QSettings' text format), read and written by the
// rules of every other file of the program: only a regular file of at most
// MaxSettingsBytes is read, never a FIFO or a device; a save re-reads the
// file under its folder's lock, changes only the keys set here, and replaces
// it atomically, through a link to a regular target, never over a device, a
// FIFO or a protected file. A file that is there but cannot be read is kept
// as it is: the program runs with defaults, says so once and stores nothing
// over it.
//
// Each object reads the file as it is now; its changes are saved when it is
// destroyed (or by save()).
class UserSettings {
public:
    UserSettings();
    ~UserSettings();
    UserSettings(const UserSettings&) = delete;
    UserSettings& operator=(const UserSettings&) = delete;

    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    // Stores the changes made so far; false (and said once) when they could
    // not be stored.
    bool save();

    // The settings file.
    static QString filePath();
    // Where the file lies instead of the user's configuration folder (tests).
    static void setFolder(const QString& folder);
    // Where a problem with the settings file is told, once per problem; until
    // one is set, problems wait for it.
    static void setProblemHandler(std::function<void(const QString&)> handler);

private:
    struct Change {
        QString key;
        QVariant value; // invalid: removed
    };
    std::unique_ptr<QSettings> m_view; // a private copy of the file as read
    QString m_viewPath;
    bool m_readable = true;
    std::vector<Change> m_changes;
};

} // namespace kw
