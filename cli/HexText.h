#pragma once

#include <cstdint>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// "0x" and the value in upper-case hexadecimal, at least `digits` digits: the tool's way of
// printing command bytes, values, checksums and addresses.
inline std::string hexText(std::uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// Bytes as upper-case hexadecimal pairs without separators ("48656C"): the JSON form of a value
// of any length.
inline std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (std::uint8_t byte : bytes)
        text += hexText(byte, 2).substr(2);
    return text;
}

// "48 65 6C" or "48656c": pairs of hexadecimal digits, blanks allowed between pairs. Nothing
// when a character is not a digit or a pair is incomplete.
inline std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::string& text)
{
    std::vector<std::uint8_t> bytes;
    std::string pair;
    for (char c : text) {
        if (c == ' ' && pair.empty())
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        pair += c;
        if (pair.size() == 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
            pair.clear();
        }
    }
    if (!pair.empty())
        return std::nullopt;
    return bytes;
}
