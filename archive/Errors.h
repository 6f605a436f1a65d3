#pragma once

#include <stdexcept>
#include <string>

namespace kw {

// Ends the current user action: the window that started it shows the text in a
// message box. Raised for platform I/O errors inside an opened file and for a
// failed write of an INI value; nothing else may abort an action.
class UserActionError : public std::runtime_error {
public:
    explicit UserActionError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace kw
