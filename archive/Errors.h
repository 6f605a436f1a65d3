#pragma once

#include <stdexcept>
#include <string>

namespace kw {

// Caption of the message box that reports a failed save.
inline constexpr const char* SaveFailureCaption = "Chyba při ukládání";
// Caption of the message box that reports an input that is there but cannot
// be read.
inline constexpr const char* ReadFailureCaption = "Chyba při čtení";

// Ends the current user action: the window that started it shows the text in a
// message box with `caption`. Raised for platform I/O errors inside an opened
// file and for a failed write of a file; nothing else may abort an action.
class UserActionError : public std::runtime_error {
public:
    explicit UserActionError(const std::string& text, std::string caption = "Kwatrix")
        : std::runtime_error(text), m_caption(std::move(caption))
    {}
    const std::string& caption() const { return m_caption; }

private:
    std::string m_caption;
};

} // namespace kw
