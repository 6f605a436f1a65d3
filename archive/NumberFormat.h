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
// stopping at the first digit above 9 (0x1234 -> 1234, 0x1A -> 1).
int32_t BcdToInt(uint16_t value);
// x with `decimals` decimals right-aligned in `width` (longer when needed).
// A value of the listing exactly as it is stored (single precision), as the
// double that reads back to it from its shortest decimal form: 3.800076f is
// 3.800076, neither 3.8000760078 nor rounded to 3.8001.
double ExactValue(float value);

std::string FormatFixed(int32_t width, int32_t decimals, double x);

} // namespace kw
