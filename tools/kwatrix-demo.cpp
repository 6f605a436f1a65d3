// kwatrix-demo: writes a demo program directory (archive descriptions, month
// files, KALEND.INI, ROZ_DNEW.CFG) beside the program or into --dir.

#include "tools/DemoArchive.h"

#include <charconv>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using kw::demo::Date;

constexpr const char* kUsage =
    "Usage: kwatrix-demo [--dir DIR] [--last YYYY-MM-DD] [--months N] [--seed N] "
    "[--devices 0,3]\n"
    "Writes a demo archive of the metering controller into a program directory.\n"
    "  --dir DIR        directory to write (default: the directory of this program)\n"
    "  --last DATE      last day with data (default: yesterday)\n"
    "  --months N       months of month files up to the last day's month (default: 14)\n"
    "  --seed N         seed of the load noise, 0..4294967295 (default: 20240)\n"
    "  --devices LIST   comma-separated devices 0..15 (default: 0,3)\n";

int UsageError(const std::string& problem)
{
    std::cerr << "kwatrix-demo: " << problem << "\n" << kUsage;
    return 2;
}

bool ParseNumber(std::string_view text, uint64_t max, uint64_t& value)
{
    uint64_t parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        parsed > max)
        return false;
    value = parsed;
    return true;
}

std::string ExecutableDirectory()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

Date Yesterday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return kw::demo::AddDays(Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}, -1);
}

} // namespace

int main(int argc, char** argv)
{
    kw::demo::DemoOptions options;
    std::string dir;
    bool haveDir = false;
    bool haveLast = false;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        // Both "--name value" and "--name=value".
        std::string_view value;
        bool inlineValue = false;
        if (const auto eq = arg.find('=');
            arg.substr(0, 2) == "--" && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        if (arg != "--dir" && arg != "--last" && arg != "--months" && arg != "--seed" &&
            arg != "--devices")
            return UsageError("unknown argument: " + std::string(argv[i]));
        if (!inlineValue) {
            if (i + 1 >= argc)
                return UsageError("missing value after " + std::string(arg));
            value = argv[++i];
        }

        uint64_t number = 0;
        if (arg == "--dir") {
            if (value.empty())
                return UsageError("empty directory name");
            dir = value;
            haveDir = true;
        } else if (arg == "--last") {
            if (!kw::demo::ParseDate(value, options.lastDay))
                return UsageError("not a date of the form YYYY-MM-DD: " + std::string(value));
            haveLast = true;
        } else if (arg == "--months") {
            if (!ParseNumber(value, 1200, number) || number == 0)
                return UsageError("the number of months must be 1 to 1200: " + std::string(value));
            options.months = static_cast<int>(number);
        } else if (arg == "--seed") {
            if (!ParseNumber(value, UINT32_MAX, number))
                return UsageError("the seed must be a number 0 to 4294967295: " +
                                  std::string(value));
            options.seed = static_cast<uint32_t>(number);
        } else {
            if (!kw::demo::ParseDeviceList(value, options.devices))
                return UsageError("devices must be distinct numbers 0 to 15, e.g. 0,3: " +
                                  std::string(value));
        }
    }

    if (!haveDir)
        dir = ExecutableDirectory();
    if (!haveLast)
        options.lastDay = Yesterday();

    std::vector<kw::demo::DemoFile> files;
    std::string error;
    if (!kw::demo::BuildDemoArchive(options, files, &error))
        return UsageError(error);
    if (!kw::demo::WriteDemoFiles(dir, files, &error)) {
        std::cerr << "kwatrix-demo: cannot write the demo archive: " << error << "\n";
        return 1;
    }

    const Date first = kw::demo::FirstMonth(options);
    std::string devices;
    for (const int device : options.devices)
        devices += (devices.empty() ? "" : ",") + std::to_string(device);
    std::cout << "kwatrix-demo: wrote " << files.size() << " files to " << dir << " (devices "
              << devices << ", " << kw::demo::FormatDate(first).substr(0, 7) << " to "
              << kw::demo::FormatDate(options.lastDay) << ")\n";
    return 0;
}
