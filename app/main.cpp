#include "app/Application.h"
#include "archive/Devices.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kwatrix"));
    QApplication::setOrganizationName(QStringLiteral("Telvanor"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kwatrix"));
    // The title "QX5view [Windows 1.00]" is not set as the display name: X11
    // and Windows append the display name to every window caption.

    // The program speaks Czech, so the standard buttons do too ("Ano", "Ne")
    // whatever the desktop's language; without the translation they stay English.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_cs"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    kw::Application program(
        kw::ProgramPathFromExecutable(QCoreApplication::applicationFilePath().toStdString()));
    return program.run();
}
