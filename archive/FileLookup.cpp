#include "archive/FileLookup.h"

#include "archive/Codepage.h"

#include <dirent.h>
#include <sys/stat.h>

namespace kw {

namespace {

std::vector<std::string> ListDirectory(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return names;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(d);
    return names;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Matching on folded texts; '?' stands for one character, so walk code points.
bool MatchFolded(std::string_view p, std::string_view n)
{
    const auto charLen = [](std::string_view s, std::size_t i) {
        std::size_t len = 1;
        while (i + len < s.size() && (static_cast<unsigned char>(s[i + len]) & 0xC0) == 0x80)
            ++len;
        return len;
    };
    std::size_t pi = 0, ni = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
            continue;
        }
        if (pi < p.size()) {
            const std::size_t nl = charLen(n, ni);
            if (p[pi] == '?') {
                ++pi;
                ni += nl;
                continue;
            }
            const std::size_t pl = charLen(p, pi);
            if (pl == nl && p.substr(pi, pl) == n.substr(ni, nl)) {
                pi += pl;
                ni += nl;
                continue;
            }
        }
        if (starP == std::string_view::npos)
            return false;
        pi = starP + 1;
        starN += charLen(n, starN);
        ni = starN;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

} // namespace

std::string ResolveFile(const std::string& dir, const std::string& name)
{
    const std::string exact = dir + name;
    if (Exists(exact))
        return exact;
    for (const std::string& entry : ListDirectory(dir))
        if (EqualsNoCase(entry, name))
            return dir + entry;
    return exact;
}

DirectoryListing::DirectoryListing(const std::string& dir) : m_names(ListDirectory(dir))
{
    m_folded.reserve(m_names.size());
    for (const std::string& name : m_names)
        m_folded.push_back(FoldCase(name));
}

bool DirectoryListing::anyMatch(std::string_view pattern) const
{
    const std::string p = FoldCase(pattern);
    for (const std::string& name : m_folded)
        if (MatchFolded(p, name))
            return true;
    return false;
}

} // namespace kw
