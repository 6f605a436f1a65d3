#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

// The program directory of an executable path: everything up to and including
// the last '/', or empty when there is none. No length limit: a cut path would
// name another directory.
std::string ProgramPathFromExecutable(const std::string& executablePath);

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
