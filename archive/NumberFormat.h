#pragma once

#include <cstdint>
#include <string>

namespace kw {

// x with |decimals| decimals right-aligned in fieldWidth (longer when it does
// not fit); a negative `decimals` drops the decimals when the text would not
// fit; then blanks in front up to totalWidth.
std::string FormatReal(int32_t totalWidth, int32_t fieldWidth, int32_t decimals, double x);
// Zeros in front up to `width`, or blanks up to -width when negative.
std::string FormatInt(int64_t value, int32_t width);
// Exactly `digits` upper-case hexadecimal digits, higher ones dropped.
std::string FormatHex(uint32_t value, int32_t digits);
// The value of a hexadecimal digit of either case; 0 for any other character,
// as the descriptions' formats take it.
int32_t HexDigit(char c);
// The four hexadecimal digits of a 16-bit value read as decimal digits,
// stopping at the first digit above 9 (0x1234 -> 1234, 0x1A -> 1). Inline:
// the decoding of every record takes it.
inline int32_t BcdToInt(uint16_t value)
{
    const int32_t d3 = value >> 12, d2 = (value >> 8) & 0xF, d1 = (value >> 4) & 0xF,
                  d0 = value & 0xF;
    if (d3 > 9)
        return 0;
    if (d2 > 9)
        return d3;
    if (d1 > 9)
        return d3 * 10 + d2;
    if (d0 > 9)
        return d3 * 100 + d2 * 10 + d1;
    return d3 * 1000 + d2 * 100 + d1 * 10 + d0;
}
// x with `decimals` decimals right-aligned in `width` (longer when needed).
// A value of the listing exactly as it is stored (single precision), as the
// double that reads back to it from its shortest decimal form: 3.800076f is
// 3.800076, neither 3.8000760078 nor rounded to 3.8001.
double ExactValue(float value);

std::string FormatFixed(int32_t width, int32_t decimals, double x);

} // namespace kw
