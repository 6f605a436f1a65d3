#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace kwtest {

// A fresh directory per test, removed afterwards; path() ends with '/', as a
// program directory does.
class TempDir {
public:
    TempDir()
    {
        std::string tmpl = testing::TempDir() + "kwatrix-XXXXXX";
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = tmpl + "/";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }

    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string full = m_path + name;
        std::ofstream(full, std::ios::binary) << bytes;
        return full;
    }

private:
    std::string m_path;
};

} // namespace kwtest
