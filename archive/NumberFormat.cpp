#include "archive/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace kw {

namespace {

std::string Fixed(int32_t decimals, double x)
{
    if (!std::isfinite(x))
        return std::isnan(x) ? "NAN" : (x < 0 ? "-INF" : "INF");
    // to_chars ignores the locale: a Czech desktop must not turn the listing's
    // decimal points into commas.
    char buf[400];
    const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "*";
    return std::string(buf, result.ptr);
}

std::string PadLeft(std::string text, int32_t width)
{
    if (width > 0 && static_cast<int32_t>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

} // namespace

std::string FormatReal(int32_t totalWidth, int32_t fieldWidth, int32_t decimals, double x)
{
    const int32_t places = decimals < 0 ? -decimals : decimals;
    std::string text = Fixed(places > 30 ? 30 : places, x);
    if (decimals < 0 && static_cast<int32_t>(text.size()) > fieldWidth)
        text = Fixed(0, x);
    return PadLeft(PadLeft(std::move(text), fieldWidth), totalWidth);
}

std::string FormatInt(int64_t value, int32_t width)
{
    std::string text = std::to_string(value);
    if (width > 0 && static_cast<int32_t>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    else if (width < 0)
        text = PadLeft(std::move(text), -width);
    return text;
}

std::string FormatHex(uint32_t value, int32_t digits)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (int32_t i = 0; i < digits; ++i) {
        const int shift = 4 * i;
        text.insert(text.begin(), shift < 32 ? hex[(value >> shift) & 0xF] : '0');
    }
    return text;
}

std::string FormatFixed(int32_t width, int32_t decimals, double x)
{
    return PadLeft(Fixed(decimals, x), width);
}

int32_t HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

double ExactValue(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double exact = 0;
    std::from_chars(text, end, exact);
    return exact;
}

} // namespace kw
