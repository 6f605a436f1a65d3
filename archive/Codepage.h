#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kw {

// The controller and its Windows tools write texts in Windows-1250; inside the
// program every text is UTF-8. These convert at the file boundary.
std::string Cp1250ToUtf8(std::string_view bytes);
// Characters that Windows-1250 cannot hold become '?'.
std::string Utf8ToCp1250(std::string_view utf8);
bool IsValidUtf8(std::string_view bytes);

// Number of characters (code points) in a UTF-8 text.
std::size_t Utf8Length(std::string_view utf8);
// The text without the blanks, tabs and carriage returns around it.
std::string TrimBlanks(std::string_view text);
// The first `maxChars` characters of a UTF-8 text, never splitting a sequence.
std::string Utf8Left(std::string_view utf8, std::size_t maxChars);

// Letter case folding for name comparisons (ASCII and the Latin letters of
// Windows-1250); the files come from a case-insensitive platform.
std::string FoldCase(std::string_view utf8);
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace kw
