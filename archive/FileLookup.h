#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kw {

// The archive files come from a case-insensitive platform, so names in the
// program directory are looked up exactly first and then without regard to case.

// `dir` ends with '/' (or is empty for the current directory). Returns the
// path of the file to open: dir + the exact name when it exists, else dir + the
// first directory entry equal to `name` without regard to case, else dir + name.
std::string ResolveFile(const std::string& dir, const std::string& name);

// One reading of a directory's entry names, matched without regard to case
// against patterns with '*' and '?' (the period tree asks 1300 questions of
// one directory).
class DirectoryListing {
public:
    explicit DirectoryListing(const std::string& dir);
    bool anyMatch(std::string_view pattern) const;
    const std::vector<std::string>& names() const { return m_names; }

private:
    std::vector<std::string> m_names;
    std::vector<std::string> m_folded; // names folded once, patterns are many
};

} // namespace kw
