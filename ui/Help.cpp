#include "ui/Help.h"

#include "archive/FileLookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace kw {

namespace {

// Like the application's help file, one per program.
QString& helpDirectory()
{
    static QString directory;
    return directory;
}

QPointer<QWidget>& helpOwner()
{
    static QPointer<QWidget> owner;
    return owner;
}

// The one help window; it deletes itself when closed.
QPointer<QWidget>& helpWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QTextBrowser* makeHelpWindow(QWidget* parent)
{
    QWidget* owner = helpOwner() ? helpOwner().data() : (parent ? parent->window() : nullptr);
    auto* window = new QWidget(owner, Qt::Window);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Nápověda"));
    window->resize(640, 520);
    auto* browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    helpWindow() = window;
    return browser;
}

} // namespace

void SetHelpOwner(QWidget* owner)
{
    helpOwner() = owner;
}

void SetHelpDirectory(const QString& directory)
{
    helpDirectory() = directory;
}

QString HelpDocumentPath()
{
    // A program directory that carries its own copy of the document wins;
    // then the document beside the executable (the build tree), then the
    // installed one.
    const QString programDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QStringList directories;
    if (!helpDirectory().isEmpty())
        directories << helpDirectory();
    directories << programDir << programDir + QStringLiteral("../share/kwatrix/");
    QStringList paths;
    for (const QString& directory : directories) {
        const QString path =
            QString::fromStdString(ResolveFile(directory.toStdString(), std::string(HelpFileName)));
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(path);
        paths << path;
    }
    return paths.first();
}

void OpenHelp(QWidget* parent, const QString& contextKey)
{
    const QString path = HelpDocumentPath();
    if (!QFileInfo(path).isFile()) {
        QMessageBox::information(parent, QStringLiteral("Nápověda"),
                                 QStringLiteral("Nápověda není nainstalována.\n") +
                                     QDir::toNativeSeparators(path));
        return;
    }

    QTextBrowser* browser =
        helpWindow() ? helpWindow()->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"))
                     : makeHelpWindow(parent);
    QUrl url = QUrl::fromLocalFile(path);
    if (!contextKey.isEmpty())
        url.setFragment(contextKey);
    browser->setSource(url);
    if (contextKey.isEmpty())
        browser->verticalScrollBar()->setValue(0);
    QWidget* window = helpWindow();
    if (!browser->documentTitle().isEmpty())
        window->setWindowTitle(browser->documentTitle());
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace kw
