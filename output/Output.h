#pragma once

#include "archive/OutputLines.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace kw {

// Where completed listing lines go: the output window, or standard output in
// kwatrix-report. The pending line and the style stay in Output.
class OutputTarget {
public:
    virtual ~OutputTarget() = default;

    // One completed line for the end of the view; style is 0..3 (plain, bold,
    // italic + underline, bold + underline).
    virtual void appendLine(const std::string& line, int32_t style) = 0;
    // Removes all text of the view.
    virtual void clearView() = 0;
    // The "Mazat před výpisem" setting.
    virtual bool clearBeforeListing() const = 0;
    // SetOutputStyle was called: the window puts the caret at the very end
    // (no selection), so that later lines never land on a user's selection.
    virtual void caretToEnd() {}
    // A listing begins with the lines that follow: a report of the last
    // listing starts there.
    virtual void listingStarted() {}
};

// The line-printer operations of the listing code.
class Output : public OutputLines {
public:
    void setTarget(OutputTarget* target) { m_target = target; }
    OutputTarget* target() const { return m_target; }

    // 0..3 select the style of the lines completed afterwards; any other number
    // only moves the caret.
    void SetOutputStyle(int32_t style) override;
    // Empties the view when the target asks for it; the pending line stays.
    void ClearOutputIfSet();
    // Adds text to the pending line; the view does not change yet.
    void WriteOutput(const std::string& text) override;
    // Completes the pending line with text and hands it on as one line.
    void WriteOutputLine(const std::string& text = std::string()) override;

    void MarkListingStart()
    {
        if (m_target)
            m_target->listingStarted();
    }

    const std::string& pending() const { return m_pending; }
    int32_t style() const { return m_style; }

private:
    OutputTarget* m_target = nullptr;
    std::string m_pending;
    int32_t m_style = 0;
};

// Takes every line and keeps only counts: for benchmarks and for runs whose
// text nobody reads.
class CountingOutputTarget : public OutputTarget {
public:
    void appendLine(const std::string& line, int32_t) override
    {
        ++m_lines;
        m_characters += line.size();
    }
    void clearView() override
    {
        m_lines = 0;
        m_characters = 0;
    }
    bool clearBeforeListing() const override { return false; }

    std::size_t lines() const { return m_lines; }
    std::size_t characters() const { return m_characters; }

private:
    std::size_t m_lines = 0;
    std::size_t m_characters = 0;
};

// Writes every line followed by "\n" to a stream (kwatrix-report's standard
// output). Styles are dropped; a stream cannot be cleared, so it never asks to.
class StreamOutputTarget : public OutputTarget {
public:
    explicit StreamOutputTarget(std::ostream& stream) : m_stream(stream) {}

    void appendLine(const std::string& line, int32_t) override { m_stream << line << '\n'; }
    void clearView() override {}
    bool clearBeforeListing() const override { return false; }

private:
    std::ostream& m_stream;
};

// The part of a text view that the removal of the oldest lines needs.
class OutputLineView {
public:
    virtual ~OutputLineView() = default;

    virtual std::size_t lineCount() const = 0;
    // May leave the view unchanged when it is full.
    virtual void appendLine(const std::string& line, int32_t style) = 0;
    virtual void removeFirstLine() = 0;
};

// Appends line; while the view does not take it, drops the oldest line and
// tries again. Returns whether the line was taken. Ends in every case: once the
// view is empty (or stops shrinking) no further line is removed.
bool AppendDroppingOldest(OutputLineView& view, const std::string& line, int32_t style);

// A stored setting of the output window as a number: decimal, or hexadecimal
// when longer than two characters and beginning with "0x"/"0X"; anything else
// gives fallback.
int32_t ParseOutputSetting(const std::string& text, int32_t fallback);

// "Clear_Window": on when the number is not 0; missing or invalid is off.
bool OutputClearSetting(const std::string& text);

// "Font_size" in points, 8 when missing or invalid. A size below 1 point cannot
// be shown and counts as invalid.
int32_t OutputFontSizeSetting(const std::string& text);

} // namespace kw
