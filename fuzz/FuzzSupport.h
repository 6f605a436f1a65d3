#pragma once

#include "listing/ListingRun.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// What every fuzz target shares: one scratch program directory per process,
// where the input is written as the file under test, and a listing UI that
// never asks anybody.

namespace kwfuzz {

// The scratch directory lives on a memory file system when there is one: the
// readers are fuzzed, not the disk, and atomic saves fsync.
inline const std::string& ScratchDir()
{
    static const std::string dir = [] {
        std::string base;
        if (const char* t = std::getenv("KWATRIX_FUZZ_TMP"))
            base = t;
        else if (::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        else
            base = std::filesystem::temp_directory_path().string();
        std::string tmpl = base + "/kwatrix-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        static struct Remover {
            std::string path;
            ~Remover()
            {
                std::error_code ec;
                std::filesystem::remove_all(path, ec);
            }
        } remover{tmpl};
        return tmpl + "/";
    }();
    return dir;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        std::abort();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    WriteFile(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Removes every file of the scratch directory, so that one input never sees
// what an earlier one left behind (a rewritten INI file, a temporary file).
inline void ClearScratch()
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchDir(), ec))
        std::filesystem::remove_all(entry.path(), ec);
}

// A fuzzer-found fault must stop the run, also in builds without assert().
inline void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

struct QuietUi : kw::ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, bool) override {}
};

} // namespace kwfuzz

namespace kwfuzz {

// Texts handed out by the readers are UTF-8, whatever the file held.
inline bool IsUtf8(const std::string& s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        if (c < 0x80)
            extra = 0;
        else if ((c & 0xE0) == 0xC0)
            extra = 1;
        else if ((c & 0xF0) == 0xE0)
            extra = 2;
        else if ((c & 0xF8) == 0xF0)
            extra = 3;
        else
            return false;
        if (s.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

inline std::size_t Utf8Length(const std::string& s)
{
    std::size_t n = 0;
    for (const char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

} // namespace kwfuzz
