// kwatrix-report: the listings of the desktop program without a display.
#include "app/Report.h"
#include "archive/Devices.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string ExecutableDirectory()
{
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return std::string();
        if (static_cast<std::size_t>(n) < buf.size())
            return kw::ProgramPathFromExecutable(
                std::string(buf.data(), static_cast<std::size_t>(n)));
        buf.resize(buf.size() * 2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    return kw::RunReport(std::vector<std::string>(argv + 1, argv + argc), ExecutableDirectory(),
                         std::cout, std::cerr);
}
