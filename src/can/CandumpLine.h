#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace veldris {

// One frame as a line of can-utils' candump log format ("candump -l"), which canplayer,
// python-can and Wireshark read: "(1700000000.123456) can0 605#4000102A00000000".
// Standard identifiers take 3 hexadecimal digits, extended ones 8; `timestampUs` counts
// microseconds since the Unix epoch.
inline std::string candumpLine(std::uint64_t timestampUs, const char* interface, std::uint32_t identifier,
                               bool extended, const std::uint8_t* data, unsigned length)
{
    char line[96];
    int used = std::snprintf(line, sizeof line, "(%llu.%06llu) %s %0*X#",
                             static_cast<unsigned long long>(timestampUs / 1000000),
                             static_cast<unsigned long long>(timestampUs % 1000000), interface,
                             extended ? 8 : 3, static_cast<unsigned>(identifier));
    for (unsigned i = 0; i < length && i < 8 && used > 0 && used < static_cast<int>(sizeof line) - 3; ++i)
        used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "%02X", data[i]);
    return std::string(line);
}

} // namespace veldris
