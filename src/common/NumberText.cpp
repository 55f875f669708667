#include "common/NumberText.h"

#include <algorithm>

namespace veldris {

std::string NumberRange::text() const
{
    return std::to_string(min) + ".." + std::to_string(max);
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int digitValue(char c, int base)
{
    int digit = 99;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

} // namespace

NumberReading readNumberText(std::string_view text, const NumberRange& range)
{
    NumberReading reading;
    text = trimmed(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || (negative && range.min >= 0))
        return reading;
    // Past 2^33 every range is left behind; the magnitude stops growing there, so no run of
    // digits can overflow it.
    constexpr std::int64_t pastEveryRange = std::int64_t{1} << 33;
    std::int64_t magnitude = 0;
    for (char c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0)
            return reading;
        magnitude = std::min(magnitude * base + digit, pastEveryRange);
    }
    reading.value = negative ? -magnitude : magnitude;
    reading.problem = range.contains(reading.value) ? NumberReading::Problem::None : NumberReading::Problem::OutOfRange;
    return reading;
}

std::string numberRefusal(std::string_view text, const NumberReading& reading, const NumberRange& range)
{
    // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about "'" + std::string(...).
    std::string quoted(1, '\'');
    quoted.append(trimmed(text));
    quoted += '\'';
    if (reading.problem == NumberReading::Problem::OutOfRange)
        return quoted + " is out of range (" + range.text() + ")";
    return quoted + " is not a number (decimal, or hexadecimal with 0x; allowed: " + range.text() + ")";
}

} // namespace veldris
