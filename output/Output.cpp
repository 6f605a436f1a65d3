#include "output/Output.h"

#include "archive/Devices.h"

namespace kw {

void Output::SetOutputStyle(int32_t style)
{
    if (style >= 0 && style <= 3)
        m_style = style;
    if (m_target)
        m_target->caretToEnd();
}

void Output::ClearOutputIfSet()
{
    if (m_target && m_target->clearBeforeListing())
        m_target->clearView();
}

void Output::WriteOutput(const std::string& text)
{
    m_pending += text;
}

void Output::WriteOutputLine(const std::string& text)
{
    m_pending += text;
    if (m_target)
        m_target->appendLine(m_pending, m_style);
    // clear() keeps the capacity, so a long listing does not reallocate per line.
    m_pending.clear();
}

bool AppendDroppingOldest(OutputLineView& view, const std::string& line, int32_t style)
{
    std::size_t n = view.lineCount();
    view.appendLine(line, style);
    while (view.lineCount() == n) {
        // A line that does not fit even an empty view cannot be helped by
        // removing more; a view that does not shrink would loop for ever.
        if (n == 0)
            return false;
        view.removeFirstLine();
        const std::size_t after = view.lineCount();
        if (after >= n)
            return false;
        n = after;
        view.appendLine(line, style);
    }
    return true;
}

int32_t ParseOutputSetting(const std::string& text, int32_t fallback)
{
    // The same rule as every other value of the settings store.
    return ParseSettingsInteger(text, fallback);
}

bool OutputClearSetting(const std::string& text)
{
    return ParseOutputSetting(text, 0) != 0;
}

int32_t OutputFontSizeSetting(const std::string& text)
{
    const int32_t size = ParseOutputSetting(text, 8);
    return size < 1 ? 8 : size;
}

} // namespace kw
