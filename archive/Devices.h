#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

// The program directory of an executable path: everything up to and including
// the last '/', or empty when there is none. No length limit: a cut path would
// name another directory.
std::string ProgramPathFromExecutable(const std::string& executablePath);

// Whether `dir` (ending in '/') holds an archive: month files of any device
// or an archive description.
bool HoldsArchive(const std::string& dir);

// The archive folder named on the command line: a folder as given, a file
// means its folder; with a final '/'. Empty when the path names nothing.
std::string ArchiveFolderOfArgument(const std::string& path);

// Where the program finds its archive, in this order: the folder given on the
// command line, the executable's own folder when it holds an archive, the
// last folder opened. Empty when none applies: the user is asked, and
// `problem` (when given) says what was wrong with the folder given, in Czech
// for the dialog; it stays empty when nothing was given.
std::string ChooseArchiveFolder(const std::string& argument, const std::string& executableDir,
                                const std::string& lastOpened, std::string* problem = nullptr);

// The desktop program's command line, without the program name and without
// the toolkit's own options: [--help | --version | [--] [FOLDER]].
struct ProgramArguments {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    std::string folder;  // as given; empty when none
    std::string problem; // with Refuse: what is wrong
};
ProgramArguments ParseProgramArguments(const std::vector<std::string>& args);

// The name of an archive folder for the window caption: its last component.
std::string ArchiveFolderName(const std::string& dir);

// A settings-store text as a number: decimal, or hexadecimal after "0x"/"0X";
// a missing or invalid text gives `fallback`.
int32_t ParseSettingsInteger(const std::string& text, int32_t fallback);

// The stored "Device No" as the device to use: outside 0..15 gives 0, since
// file names exist only for devices 0..15.
int32_t StoredDeviceNo(const std::string& text);

// Result of filling the device list of the main window.
struct DeviceList {
    std::vector<int32_t> devices; // devices that have month files, ascending
    int32_t deviceNo = 0;         // the device in effect afterwards
    int selected = -1;            // entry shown selected, -1 none
    bool enabled = false;         // the list is enabled with two or more entries
};

// Devices with at least one month file "E" + letter + "*.dat" in `programPath`;
// a single such device wins over the stored one.
DeviceList FillDeviceList(const std::string& programPath, int32_t deviceNo);

} // namespace kw
