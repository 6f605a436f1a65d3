#include "output/Log.h"

namespace kw {

void Log::WriteLog(bool error, const std::string& text)
{
    // Each piece is filtered by itself; "*" marks module start-up lines that
    // show even when only errors are logged.
    const bool taken = LogMode == 2 || (LogMode == 1 && error) || (!text.empty() && text[0] == '*');
    if (!taken)
        return;
    if (!text.empty() && text.back() == '\\') {
        m_pending.append(text, 0, text.size() - 1);
        return;
    }
    // An empty text completes the pending line like any other piece.
    std::string line = std::move(m_pending);
    m_pending.clear();
    line += text;
    if (m_sink)
        m_sink(line, error);
}

} // namespace kw
