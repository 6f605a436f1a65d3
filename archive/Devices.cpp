#include "archive/Devices.h"

#include "archive/ArchiveDescription.h"
#include "archive/FileLookup.h"

#include <cctype>
#include <climits>

namespace kw {

std::string ProgramPathFromExecutable(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
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
