#pragma once

// What the benchmarks of the core share: demo archives in temporary
// directories that go away when the benchmark program ends, and a listing
// that asks no questions.

#include "listing/Engine.h"
#include "tools/DemoArchive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <stdlib.h>

namespace kwbench {

// Questions keep the settings given; messages go nowhere.
struct NoQuestions : kw::ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

// A new directory named `name`-XXXXXX in the system's temporary directory,
// removed with all it holds at exit (the large archive takes a few hundred
// megabytes); the path ends in '/'.
inline std::string TemporaryDirectory(const char* name)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / name).string() + "-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        std::abort();
    struct Remover {
        std::vector<std::string> paths;
        ~Remover()
        {
            for (const std::string& p : paths) {
                std::error_code ec;
                std::filesystem::remove_all(p, ec);
            }
        }
    };
    static Remover remover;
    remover.paths.push_back(tmpl);
    return tmpl + "/";
}

// The demo archive of `options` written into a new temporary directory.
inline std::string DemoArchiveDirectory(const char* name, const kw::demo::DemoOptions& options)
{
    const std::string dir = TemporaryDirectory(name);
    std::string error;
    if (!kw::demo::WriteDemoArchive(dir, options, &error)) {
        std::fprintf(stderr, "cannot write the demo archive: %s\n", error.c_str());
        std::abort();
    }
    // Files of an archive copied an hour ago: a file written within the last
    // second is compared byte by byte at every read, which no real archive
    // pays for.
    const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        std::filesystem::last_write_time(entry.path(), hourAgo);
    return dir;
}

// Ten years of month files of sixteen devices (1,939 files), written once per
// process into a temporary directory, dated an hour back; the time it takes
// is printed, not measured.
inline const std::string& LargeArchive()
{
    static const std::string dir = [] {
        kw::demo::DemoOptions options;
        options.devices.clear();
        for (int device = 0; device < 16; ++device)
            options.devices.push_back(device);
        options.lastDay = {2024, 3, 31};
        options.months = 120;
        const auto start = std::chrono::steady_clock::now();
        const std::string d = DemoArchiveDirectory("kwatrix-bench-large", options);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(d))
            ++files;
        std::fprintf(stderr, "large archive: %zu files written in %.1f s\n", files, seconds);
        return d;
    }();
    return dir;
}

} // namespace kwbench
