#include "app/Application.h"
#include "archive/AtomicFile.h"
#include "archive/Devices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: kwatrix [FOLDER]\n"
                      "       kwatrix --help | --version\n"
                      "FOLDER: the archive folder to open (a file means its folder); without it\n"
                      "        the program's own folder when it holds an archive, else the folder\n"
                      "        opened last, else a folder dialog\n";

} // namespace

int main(int argc, char* argv[])
{
    // --help and --version answer without a display.
    if (argc == 2) {
        const std::string arg = argv[1];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            std::cout << (arg == "--version" ? std::string("kwatrix ") + KWATRIX_VERSION + "\n"
                                             : std::string(kUsage));
            if (std::cout.flush())
                return 0;
            std::cerr << "kwatrix: standardní výstup nelze zapsat: " << kw::SystemErrorText(errno)
                      << '\n';
            return 1;
        }
    }
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
    // Read after QApplication has taken its own options (-platform, -style).
    std::vector<std::string> args;
    for (const QString& arg : QCoreApplication::arguments().mid(1))
        args.push_back(arg.toStdString());
    const kw::ProgramArguments parsed = kw::ParseProgramArguments(args);
    switch (parsed.action) {
    case kw::ProgramArguments::Action::Help:
        std::cout << kUsage;
        return 0;
    case kw::ProgramArguments::Action::Version:
        std::cout << "kwatrix " << KWATRIX_VERSION << '\n';
        return 0;
    case kw::ProgramArguments::Action::Refuse:
        std::cerr << "kwatrix: " << parsed.problem << '\n' << kUsage;
        return 2;
    case kw::ProgramArguments::Action::Run:
        break;
    }
    const QString given = parsed.folder.empty()
                              ? QString()
                              : QFileInfo(QString::fromStdString(parsed.folder)).absoluteFilePath();
    std::string problem;
    const std::string folder = kw::ChooseArchiveFolder(
        QDir::cleanPath(given).toStdString(),
        kw::ProgramPathFromExecutable(QCoreApplication::applicationFilePath().toStdString()),
        kw::Application::lastArchiveFolder(), &problem);
    kw::Application program(folder);
    program.setArchiveFolderProblem(problem);
    return program.run();
}
