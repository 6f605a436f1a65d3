#pragma once

#include "store/Sync.h"

#include <QDialog>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kw {

struct ProgramLocation;

// "Synchronizace do úložiště": the archive folder open in the program synced
// into a store. The sync runs on a thread of its own with its own
// connection, so the window stays usable and "Zrušit" stops it between two
// month files.
class SyncWindow : public QDialog {
    Q_OBJECT

public:
    explicit SyncWindow(const ProgramLocation& location, QWidget* parent = nullptr);
    ~SyncWindow() override;

    // The fields for the folder open now (unless a sync runs), shown.
    void prepareAndShow();
    // Another archive folder was opened: a window on screen offers it.
    void archiveChanged();
    bool running() const { return m_worker.joinable(); }

    // Closing while a sync runs cancels it; the window closes once the sync
    // has stopped.
    void reject() override;

signals:
    // A sync ended without an error of the store (also a cancelled one):
    // what the store of `url` holds may have changed.
    void synced(const QString& url);

private:
    // What the worker hands back; `run` outlives the window's wait for it.
    struct Run {
        std::atomic<bool> cancel{false};
        std::mutex mutex;
        std::optional<SyncResult> result;
        std::string storeName;
        std::string error; // the store's failure, in Czech
    };

    void start();
    void cancel();
    // On the window's thread: a month file is about to be read.
    void showProgress(int done, int total, const QString& file);
    // On the window's thread, once the worker has ended.
    void finish();
    void showRunning(bool running);
    // The fields for the folder open now.
    void prepare();

    const ProgramLocation& m_location;

    std::shared_ptr<Run> m_run;
    std::thread m_worker;
    std::string m_shownFolder; // what the window offers to sync
    std::string m_syncFolder;  // of the sync running or done last
    std::string m_syncUrl;
    bool m_closeWhenDone = false;

    QLabel* LabelSlozka = nullptr;
    QLineEdit* EditUloziste = nullptr;
    QLineEdit* EditHeslo = nullptr;
    QLineEdit* EditLokalita = nullptr;
    QPushButton* ButtonSynchronizovat = nullptr;
    QPushButton* ButtonZrusit = nullptr;
    QProgressBar* ProgressSync = nullptr;
    QLabel* LabelSoubor = nullptr;
    QPlainTextEdit* TextVysledek = nullptr;
};

} // namespace kw
