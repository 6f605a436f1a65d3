#pragma once

#include <cstdint>
#include <string>

namespace kw {

// Where the program's files are and which device is selected: every file is
// opened as ProgramPath + a bare name.
struct ProgramLocation {
    std::string ProgramPath; // ends with '/'
    int32_t DeviceNo = -1;   // -1 until the device list is first filled
};

} // namespace kw
