#pragma once

#include <functional>
#include <string>

namespace kw {

// The program-wide log: every module reports through WriteLog. The mode filter
// and the backslash continuation live here; a window (or stderr in
// kwatrix-report) only shows the completed lines.
class Log {
public:
    using LineSink = std::function<void(const std::string& line, bool error)>;

    // 2 logs every line, 1 only error lines (and lines beginning with "*").
    int LogMode = 2;

    void setSink(LineSink sink) { m_sink = std::move(sink); }

    // A text ending in "\" waits for the rest of its line; every piece is
    // filtered by itself.
    void WriteLog(bool error, const std::string& text);

    const std::string& pending() const { return m_pending; }

private:
    LineSink m_sink;
    std::string m_pending;
};

} // namespace kw
