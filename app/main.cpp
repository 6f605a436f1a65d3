#include "app/Application.h"
#include "archive/Devices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kwatrix"));
    QApplication::setOrganizationName(QStringLiteral("Telvanor"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.telvanor.Kwatrix"));
    // The title "QX5view [Windows 1.00]" is not set as the display name: X11
    // and Windows append the display name to every window caption.

    // The program speaks Czech, so the standard buttons do too ("Ano", "Ne")
    // whatever the desktop's language; without the translation they stay English.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_cs"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // kwatrix [FOLDER]: a file given instead of a folder means its folder.
    const QStringList arguments = QCoreApplication::arguments();
    const QString given =
        arguments.size() > 1 ? QFileInfo(arguments[1]).absoluteFilePath() : QString();
    const std::string folder = kw::ChooseArchiveFolder(
        QDir::cleanPath(given).toStdString(),
        kw::ProgramPathFromExecutable(QCoreApplication::applicationFilePath().toStdString()),
        kw::Application::lastArchiveFolder());
    kw::Application program(folder);
    return program.run();
}
