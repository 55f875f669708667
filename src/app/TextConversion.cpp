#include "app/TextConversion.h"

#include <cstdint>
#include <stdexcept>

namespace veldris {

int decimalToInt(const std::string& text)
{
    try {
        return std::stoi(text);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("invalid stoi argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range("stoi argument out of range");
    }
}

} // namespace veldris

namespace veldris {

int toolkitToInt(const std::string& text)
{
    const auto refuse = [&text]() -> int { throw std::invalid_argument("'" + text + "' is not a valid integer value"); };
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        ++at;
    int base = 10;
    if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) {
        base = 16;
        at += 2;
    } else if (text.compare(at, 1, "$") == 0) {
        base = 16;
        at += 1;
    }
    if (at >= text.size())
        return refuse();
    long long value = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return refuse();
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL)
            return refuse();
    }
    // Hexadecimal texts cover the whole 32-bit pattern ("0xFFFFFFFF" is -1); decimal ones must fit.
    if (base == 10 && value > (negative ? 2147483648LL : 2147483647LL))
        return refuse();
    const auto bits = static_cast<std::uint32_t>(negative ? -value : value);
    return static_cast<int>(bits);
}

} // namespace veldris
