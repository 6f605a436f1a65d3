#pragma once

#include <cstdint>
#include <string>

namespace kw {

// Where the raw listings of the month files are written: the line-printer
// operations of the output module, which implements them. The archive knows
// only this much of the output.
class OutputLines {
public:
    virtual ~OutputLines() = default;
    // 0..3 select the style of the lines completed afterwards.
    virtual void SetOutputStyle(int32_t style) = 0;
    // Adds text to the pending line.
    virtual void WriteOutput(const std::string& text) = 0;
    // Completes the pending line with text and hands it on as one line.
    virtual void WriteOutputLine(const std::string& text = std::string()) = 0;
};

} // namespace kw
