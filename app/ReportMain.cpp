// kwatrix-report: the listings of the desktop program without a display.
#include "app/Report.h"
#include "archive/AtomicFile.h"
#include "archive/Devices.h"
#include "store/StoreDb.h"

#include <cerrno>
#include <fcntl.h>
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
    // A standard output closed before the start keeps its number taken, so
    // that no file the program opens becomes the listing's output.
    int closed = 0;
    if (::fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF) {
        closed = EBADF;
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0 && null != STDOUT_FILENO) {
            ::dup2(null, STDOUT_FILENO);
            ::close(null);
        }
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    // A password given in the store's URL leaves what `ps` shows at once.
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i - 1]) != "--store")
            continue;
        const std::string masked = kw::MaskedStoreUrl(argv[i]);
        if (masked.size() == std::string(argv[i]).size())
            masked.copy(argv[i], masked.size());
    }
    kw::DescriptorBuffer buffer(STDOUT_FILENO, closed);
    std::ostream out(&buffer);
    int status = kw::RunReport(args, ExecutableDirectory(), out, std::cerr);
    // What the descriptor still holds may fail only as it is closed (a file
    // on a network disk).
    if (::close(STDOUT_FILENO) != 0 && errno != EBADF && status == 0) {
        std::cerr << "kwatrix-report: standardní výstup nelze zapsat: "
                  << kw::SystemErrorText(errno) << '\n';
        status = 1;
    }
    return status;
}
