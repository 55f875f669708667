#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// "0x" and the value in upper-case hexadecimal, at least `digits` digits: the tool's way of
// printing command bytes, values, checksums and addresses.
inline std::string hexText(std::uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}
