#include "archive/Devices.h"

#include "archive/ArchiveDescription.h"
#include "archive/FileLookup.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <sys/stat.h>

namespace kw {

std::string ProgramPathFromExecutable(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
}

bool HoldsArchive(const std::string& dir)
{
    const DirectoryListing listing(dir);
    if (listing.anyMatch("QX5ARCH.INI"))
        return true;
    for (int32_t n = 0; n <= 15; ++n) {
        if (listing.anyMatch("E" + DeviceLetter(n) + "*.dat") ||
            listing.anyMatch("D0" + DeviceLetter(n) + "ARCH.INI"))
            return true;
    }
    return false;
}

std::string ArchiveFolderOfArgument(const std::string& path)
{
    if (path.empty())
        return std::string();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::string();
    std::string folder = path;
    if (!S_ISDIR(st.st_mode)) {
        const auto slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string("./") : folder.substr(0, slash + 1);
    }
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::string ChooseArchiveFolder(const std::string& argument, const std::string& executableDir,
                                const std::string& lastOpened, std::string* problem)
{
    if (problem)
        problem->clear();
    if (!argument.empty()) {
        const std::string folder = ArchiveFolderOfArgument(argument);
        // The dialog that follows must not look as if nothing had been given.
        if (folder.empty() && problem) {
            struct stat st {};
            const bool missing =
                ::stat(argument.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
            *problem =
                "zadaná složka „" + argument + (missing ? "“ neexistuje" : "“ není přístupná");
        }
        return folder;
    }
    // A program directory copied together with its archive keeps working.
    if (!executableDir.empty() && HoldsArchive(executableDir))
        return executableDir;
    return ArchiveFolderOfArgument(lastOpened);
}

ProgramArguments ParseProgramArguments(const std::vector<std::string>& args)
{
    ProgramArguments result;
    const auto refuse = [&result](const std::string& problem) {
        result.action = ProgramArguments::Action::Refuse;
        result.problem = problem;
        return result;
    };
    bool options = true;
    bool haveFolder = false;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            result.action = ProgramArguments::Action::Help;
            return result;
        } else if (options && arg == "--version") {
            result.action = ProgramArguments::Action::Version;
            return result;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return refuse("unknown option " + arg);
        } else if (haveFolder) {
            // Only one archive is shown: a second one would silently be dropped.
            return refuse("only one folder, not also " + arg);
        } else if (arg.empty()) {
            // As before: an empty name, as a script's empty variable gives, is no folder.
            continue;
        } else {
            result.folder = arg;
            haveFolder = true;
        }
    }
    return result;
}

std::string ArchiveFolderName(const std::string& dir)
{
    std::string name = dir;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const auto slash = name.rfind('/');
    return slash == std::string::npos || name.size() == 1 ? name : name.substr(slash + 1);
}

int32_t ParseSettingsInteger(const std::string& text, int32_t fallback)
{
    std::size_t i = 0;
    std::size_t end = text.size();
    while (i < end && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (i == end)
        return fallback;

    long long value = 0;
    if (end - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        for (std::size_t k = i + 2; k < end; ++k) {
            const int c = std::tolower(static_cast<unsigned char>(text[k]));
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else
                return fallback;
            value = value * 16 + digit;
            if (value > 0xFFFFFFFFLL)
                return fallback;
        }
        // Hexadecimal texts carry the 32-bit pattern, as the store wrote them.
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == end)
        return fallback;
    for (std::size_t k = i; k < end; ++k) {
        if (!std::isdigit(static_cast<unsigned char>(text[k])))
            return fallback;
        value = value * 10 + (text[k] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return fallback;
    }
    value = negative ? -value : value;
    if (value > INT_MAX)
        return fallback;
    return static_cast<int32_t>(value);
}

int32_t StoredDeviceNo(const std::string& text)
{
    const int32_t device = ParseSettingsInteger(text, 0);
    return (device < 0 || device > 15) ? 0 : device;
}

DeviceList FillDeviceList(const std::string& programPath, int32_t deviceNo)
{
    DeviceList list;
    const DirectoryListing dir(programPath);
    for (int32_t n = 0; n <= 15; ++n)
        if (dir.anyMatch("E" + DeviceLetter(n) + "*.dat"))
            list.devices.push_back(n);
    list.deviceNo = list.devices.size() == 1 ? list.devices.front() : deviceNo;
    for (std::size_t i = 0; i < list.devices.size(); ++i)
        if (list.devices[i] == list.deviceNo)
            list.selected = static_cast<int>(i);
    list.enabled = list.devices.size() > 1;
    return list;
}

} // namespace kw
