#pragma once

#include <string>
#include <string_view>

namespace kw {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so readers see the old file or the new one, never a
// torn one. Returns false and fills `error` (when given) on failure; the old
// file is then untouched.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

} // namespace kw
