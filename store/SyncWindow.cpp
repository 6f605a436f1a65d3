#include "store/SyncWindow.h"

#include "archive/ProgramLocation.h"
#include "store/StoreDb.h"
#include "ui/WindowSupport.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace kw {

SyncWindow::SyncWindow(const ProgramLocation& location, QWidget* parent)
    : QDialog(parent), m_location(location)
{
    setObjectName(QStringLiteral("TFormSync"));
    setWindowTitle(QStringLiteral("Synchronizace do úložiště"));
    setFont(WindowFont(8));
    resize(620, 360);

    auto* form = new QFormLayout;
    LabelSlozka = new QLabel(this);
    LabelSlozka->setObjectName(QStringLiteral("LabelSlozka"));
    LabelSlozka->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Složka archivu:"), LabelSlozka);
    EditUloziste = new QLineEdit(this);
    EditUloziste->setObjectName(QStringLiteral("EditUloziste"));
    EditUloziste->setPlaceholderText(
        QStringLiteral("sqlite:/cesta/soubor.sqlite nebo postgresql://uživatel@server/databáze"));
    EditUloziste->setToolTip(QStringLiteral(
        "Soubor SQLite (sqlite:CESTA) nebo server PostgreSQL (postgresql://…); pro tuto složku "
        "se zapamatuje bez hesla"));
    form->addRow(QStringLiteral("Úložiště:"), EditUloziste);
    EditHeslo = new QLineEdit(this);
    EditHeslo->setObjectName(QStringLiteral("EditHeslo"));
    EditHeslo->setEchoMode(QLineEdit::Password);
    EditHeslo->setPlaceholderText(QStringLiteral("jen je-li třeba; nezapamatuje se"));
    form->addRow(QStringLiteral("Heslo:"), EditHeslo);
    EditLokalita = new QLineEdit(this);
    EditLokalita->setObjectName(QStringLiteral("EditLokalita"));
    EditLokalita->setToolTip(QStringLiteral("Pod tímto názvem je archiv v úložišti"));
    form->addRow(QStringLiteral("Lokalita:"), EditLokalita);

    auto* buttons = new QHBoxLayout;
    ButtonSynchronizovat = new QPushButton(QStringLiteral("Synchronizovat"), this);
    ButtonSynchronizovat->setObjectName(QStringLiteral("ButtonSynchronizovat"));
    ButtonSynchronizovat->setDefault(true);
    buttons->addWidget(ButtonSynchronizovat);
    ButtonZrusit = new QPushButton(QStringLiteral("Zrušit"), this);
    ButtonZrusit->setObjectName(QStringLiteral("ButtonZrusit"));
    ButtonZrusit->setAutoDefault(false);
    ButtonZrusit->setToolTip(QStringLiteral("Zastaví synchronizaci po rozpracovaném souboru; co "
                                            "je již v úložišti, tam zůstane"));
    buttons->addWidget(ButtonZrusit);
    buttons->addStretch(1);
    buttons->addWidget(MakeHelpButton(this, "ButtonNapoveda", QStringLiteral("ULOZISTE")));
    auto* close = new QPushButton(QStringLiteral("Zavřít"), this);
    close->setObjectName(QStringLiteral("ButtonZavrit"));
    close->setAutoDefault(false);
    buttons->addWidget(close);

    ProgressSync = new QProgressBar(this);
    ProgressSync->setObjectName(QStringLiteral("ProgressSync"));
    ProgressSync->setFormat(QStringLiteral("%v z %m souborů"));
    ProgressSync->setTextVisible(false);
    LabelSoubor = new QLabel(this);
    LabelSoubor->setObjectName(QStringLiteral("LabelSoubor"));
    TextVysledek = new QPlainTextEdit(this);
    TextVysledek->setObjectName(QStringLiteral("TextVysledek"));
    TextVysledek->setReadOnly(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(ProgressSync);
    layout->addWidget(LabelSoubor);
    layout->addWidget(TextVysledek, 1);

    connect(ButtonSynchronizovat, &QPushButton::clicked, this, &SyncWindow::start);
    connect(ButtonZrusit, &QPushButton::clicked, this, &SyncWindow::cancel);
    connect(close, &QPushButton::clicked, this, &SyncWindow::reject);
    showRunning(false);
}

SyncWindow::~SyncWindow()
{
    // The worker posts to this window: it ends before the window does.
    if (m_worker.joinable()) {
        m_run->cancel = true;
        m_worker.join();
    }
}

void SyncWindow::prepareAndShow()
{
    if (!running())
        prepare();
    // Asked for again while closing: it stays.
    m_closeWhenDone = false;
    ShowWindowNormal(this);
}

void SyncWindow::archiveChanged()
{
    // The folder on screen is the one synced: it must not stay behind
    // another folder opened meanwhile.
    if (isVisible() && !running() && m_shownFolder != m_location.ProgramPath)
        prepare();
}

void SyncWindow::prepare()
{
    m_shownFolder = m_location.ProgramPath;
    LabelSlozka->setText(QString::fromStdString(m_shownFolder));
    const std::string remembered = RememberedStoreUrl(m_shownFolder);
    EditUloziste->setText(
        QString::fromStdString(remembered.empty() ? DefaultStoreUrl() : remembered));
    EditLokalita->setText(QString::fromStdString(DefaultSiteName(m_shownFolder)));
    // No count of files to show before a sync has started.
    ProgressSync->setTextVisible(false);
    ProgressSync->setRange(0, 1);
    ProgressSync->setValue(0);
    LabelSoubor->clear();
    TextVysledek->clear();
}

void SyncWindow::start()
{
    if (running())
        return;
    const std::string folder = m_shownFolder;
    const std::string url = EditUloziste->text().trimmed().toStdString();
    const std::string site = EditLokalita->text().trimmed().toStdString();
    const QString missing = folder.empty() ? QStringLiteral("Není otevřena žádná složka archivu.")
                            : url.empty()  ? QStringLiteral("Zadejte úložiště.")
                            : site.empty() ? QStringLiteral("Zadejte název lokality.")
                                           : QString();
    if (!missing.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, windowTitle(), missing, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("SyncInputBox"));
        box.exec();
        return;
    }
    m_run = std::make_shared<Run>();
    m_syncFolder = folder;
    m_syncUrl = url;
    m_closeWhenDone = false;
    TextVysledek->clear();
    // Busy until the store answers with the count of month files.
    ProgressSync->setRange(0, 0);
    ProgressSync->setTextVisible(true);
    LabelSoubor->setText(QStringLiteral("Připojuji se k úložišti…"));
    showRunning(true);
    const std::string password = EditHeslo->text().toStdString();
    m_worker = std::thread([this, run = m_run, url, password, folder, site] {
        try {
            const std::unique_ptr<StoreDb> db = OpenStore(url, password);
            {
                const std::lock_guard<std::mutex> lock(run->mutex);
                run->storeName = db->name();
            }
            SyncResult result = SyncArchive(*db, folder, site, [&](const SyncProgress& p) {
                const QString file = QString::fromStdString(p.file);
                QMetaObject::invokeMethod(
                    this, [this, p, file] { showProgress(p.done, p.total, file); },
                    Qt::QueuedConnection);
                return !run->cancel.load();
            });
            const std::lock_guard<std::mutex> lock(run->mutex);
            run->result = std::move(result);
        } catch (const StoreError& e) {
            const std::lock_guard<std::mutex> lock(run->mutex);
            run->error = e.what();
        } catch (const std::exception& e) {
            // Anything else must not end the program from a thread.
            const std::lock_guard<std::mutex> lock(run->mutex);
            run->error = StoreMessage(RedactedStoreUrl(url), e.what());
        } catch (...) {
            const std::lock_guard<std::mutex> lock(run->mutex);
            run->error = StoreMessage(RedactedStoreUrl(url), "neznámá chyba");
        }
        QMetaObject::invokeMethod(
            this, [this] { finish(); }, Qt::QueuedConnection);
    });
}

void SyncWindow::cancel()
{
    if (!running())
        return;
    m_run->cancel = true;
    ButtonZrusit->setEnabled(false);
    LabelSoubor->setText(QStringLiteral("Ruším synchronizaci po rozpracovaném souboru…"));
}

void SyncWindow::reject()
{
    if (running()) {
        cancel();
        m_closeWhenDone = true;
        return;
    }
    EditHeslo->clear();
    QDialog::reject();
}

void SyncWindow::showProgress(int done, int total, const QString& file)
{
    if (!running())
        return;
    ProgressSync->setRange(0, std::max(total, 1));
    ProgressSync->setValue(total > 0 ? done : 1);
    if (m_run->cancel)
        return;
    LabelSoubor->setText(
        file.isEmpty() ? QStringLiteral("Dokončuji…")
                       : QStringLiteral("Soubor %1 z %2: %3").arg(done + 1).arg(total).arg(file));
}

void SyncWindow::finish()
{
    if (!m_worker.joinable())
        return;
    m_worker.join();
    std::optional<SyncResult> result;
    std::string error, storeName;
    {
        const std::lock_guard<std::mutex> lock(m_run->mutex);
        result = std::move(m_run->result);
        error = m_run->error;
        storeName = m_run->storeName;
    }
    showRunning(false);
    const bool closing = std::exchange(m_closeWhenDone, false);
    if (!result) {
        LabelSoubor->setText(QStringLiteral("Synchronizace selhala."));
        TextVysledek->setPlainText(QString::fromStdString(error));
        if (ProgressSync->maximum() == 0)
            ProgressSync->setRange(0, 1);
        if (!closing) {
            QMessageBox box(QMessageBox::Critical, windowTitle(),
                            QStringLiteral("Synchronizaci se nepodařilo dokončit.\n\n%1")
                                .arg(QString::fromStdString(error)),
                            QMessageBox::Ok, this);
            box.setObjectName(QStringLiteral("SyncErrorBox"));
            box.exec();
        }
    } else {
        QStringList lines{QString::fromStdString(SyncSummary(*result, storeName))};
        for (const std::string& failure : result->failures)
            lines << QString::fromStdString(failure);
        std::string reason;
        if (!RememberStoreUrl(m_syncFolder, m_syncUrl, &reason))
            lines << QStringLiteral("Úložiště pro tuto složku nelze zapamatovat: %1")
                         .arg(QString::fromStdString(reason));
        TextVysledek->setPlainText(lines.join(QLatin1Char('\n')));
        // The last call of the progress filled the bar; a sync cancelled
        // before the first file leaves it busy.
        if (ProgressSync->maximum() == 0)
            ProgressSync->setRange(0, 1);
        LabelSoubor->setText(result->cancelled ? QStringLiteral("Synchronizace zrušena.")
                             : result->failures.empty()
                                 ? QStringLiteral("Synchronizace dokončena.")
                                 : QStringLiteral("Synchronizace dokončena s chybami."));
        emit synced(QString::fromStdString(UrlWithoutPassword(m_syncUrl)));
    }
    if (closing)
        reject();
}

void SyncWindow::showRunning(bool running)
{
    ButtonSynchronizovat->setEnabled(!running);
    ButtonZrusit->setEnabled(running);
    for (QLineEdit* edit : {EditUloziste, EditHeslo, EditLokalita})
        edit->setReadOnly(running);
}

} // namespace kw
