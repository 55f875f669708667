#include "dcf/ValueText.h"

#include "dcf/DCFFile.h"

#include <algorithm>
#include <cstdio>

namespace veldris {

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

bool isHexPrefixed(const std::string& text)
{
    return text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// A number in the style of `style`, a number text without formula.
std::string numberLike(const std::string& style, std::int64_t value, const DataTypeInfo& type)
{
    if (!isHexPrefixed(style))
        return std::to_string(value);
    const std::string digits = style.substr(2);
    const bool lower = std::any_of(digits.begin(), digits.end(), [](char c) { return c >= 'a' && c <= 'f'; })
                    && std::none_of(digits.begin(), digits.end(), [](char c) { return c >= 'A' && c <= 'F'; });
    const std::uint64_t bits = value < 0 ? type.bitsOf(value) : static_cast<std::uint64_t>(value);
    char text[32];
    std::snprintf(text, sizeof text, lower ? "%.2s%0*llx" : "%.2s%0*llX", style.c_str(), static_cast<int>(digits.size()),
                  static_cast<unsigned long long>(bits));
    return text;
}

// A template split around "$NODEID": the number part and where the formula had it.
struct Formula {
    bool relative = false;
    bool nodeFirst = true;  // "$NODEID+0x180" rather than "0x180+$NODEID"
    std::string spelling;   // "$NODEID" as the template writes it
    std::string numberPart; // "0x180"; empty for "$NODEID" alone
};

Formula formulaOf(const std::string& text)
{
    Formula formula;
    const std::size_t at = lowerCase(text).find("$nodeid");
    if (at == std::string::npos) {
        formula.numberPart = text;
        return formula;
    }
    formula.relative = true;
    formula.spelling = text.substr(at, 7);
    std::string before = trimBlanks(text.substr(0, at));
    std::string after = trimBlanks(text.substr(at + 7));
    formula.nodeFirst = before.empty();
    std::string& rest = formula.nodeFirst ? after : before;
    if (formula.nodeFirst && !rest.empty() && rest.front() == '+')
        rest.erase(0, 1);
    else if (!formula.nodeFirst && !rest.empty() && rest.back() == '+')
        rest.pop_back();
    formula.numberPart = trimBlanks(rest);
    return formula;
}

std::string relativeText(const Formula& formula, std::int64_t offset, const DataTypeInfo& type)
{
    if (formula.numberPart.empty())
        return offset == 0 ? formula.spelling : formula.spelling + "+" + std::to_string(offset);
    const std::string number = numberLike(formula.numberPart, offset, type);
    return formula.nodeFirst ? formula.spelling + "+" + number : number + "+" + formula.spelling;
}

std::string octetsLike(const std::string& style, const std::vector<std::uint8_t>& bytes)
{
    const bool spaced = style.find(' ') != std::string::npos || style.find('\t') != std::string::npos;
    const bool lower = std::any_of(style.begin(), style.end(), [](char c) { return c >= 'a' && c <= 'f'; })
                    && std::none_of(style.begin(), style.end(), [](char c) { return c >= 'A' && c <= 'F'; });
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, lower ? "%02x" : "%02X", byte);
        if (spaced && !text.empty())
            text += ' ';
        text += pair;
    }
    return text;
}

} // namespace

std::string valueTextLike(const std::string& templateText, const DcfValue& value, const DataTypeInfo& type,
                          std::optional<std::uint8_t> node)
{
    std::string style = templateText;
    if (!style.empty() && style.back() == '\r')
        style.pop_back();
    style = trimBlanks(style);
    if (value.kind == DataTypeInfo::Kind::VisibleString)
        return std::string(value.bytes.begin(), value.bytes.end());
    if (value.kind == DataTypeInfo::Kind::OctetString)
        return octetsLike(style, value.bytes);
    const Formula formula = formulaOf(style);
    if (formula.relative && node && value.number >= *node)
        return relativeText(formula, value.number - *node, type);
    return numberLike(formula.numberPart, value.number, type);
}

bool fitsOnALine(const std::vector<std::uint8_t>& text)
{
    if (!text.empty() && (text.front() == ' ' || text.back() == ' '))
        return false;
    return std::none_of(text.begin(), text.end(), [](std::uint8_t byte) { return byte < 0x20 || byte == 0x7F; });
}

} // namespace veldris
