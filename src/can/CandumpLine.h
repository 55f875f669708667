#pragma once

#include "can/CanFrame.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace veldris {

// A frame in candump's notation, "605#4000102A00000000": standard identifiers take 3
// hexadecimal digits, extended ones 8, then the data bytes.
inline std::string frameNotation(std::uint32_t identifier, bool extended, const std::uint8_t* data, unsigned length)
{
    char text[40];
    int used = std::snprintf(text, sizeof text, "%0*X#", extended ? 8 : 3, static_cast<unsigned>(identifier));
    for (unsigned i = 0; i < length && i < 8 && used > 0 && used < static_cast<int>(sizeof text) - 3; ++i)
        used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), "%02X", data[i]);
    return std::string(text);
}

inline std::string frameNotation(const CanFrame& frame)
{
    return frameNotation(frame.identifier, frame.messageType & pcan::messageExtended, frame.data, frame.length);
}

// One frame as a line of can-utils' candump log format ("candump -l"), which canplayer,
// python-can and Wireshark read: "(1700000000.123456) can0 605#4000102A00000000".
// `timestampUs` counts microseconds since the Unix epoch.
inline std::string candumpLine(std::uint64_t timestampUs, const char* interface, std::uint32_t identifier, bool extended,
                               const std::uint8_t* data, unsigned length)
{
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "(%llu.%06llu) %s ", static_cast<unsigned long long>(timestampUs / 1000000),
                  static_cast<unsigned long long>(timestampUs % 1000000), interface);
    return prefix + frameNotation(identifier, extended, data, length);
}

} // namespace veldris
