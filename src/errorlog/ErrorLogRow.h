#pragma once

#include <cstdint>
#include <string>

namespace veldris {

// One decoded error-log entry, as the Error Log page lists it.
struct ErrorLogRow {
    std::uint16_t timestamp = 0;  // the entry's T field; 0 for patterns without one
    std::int32_t errorNumber = 0; // 1..54 for ordinary entries, 201..203 for special ones
    std::uint32_t errorBits = 0;  // the error field as a bit mask (the letter code for special entries)
    std::string text;             // UTF-8
    std::string valueText;        // UTF-8: the formatted value and its unit
    float value = 0;              // before scaling
    std::uint32_t kind = 0;       // 1 unsigned 16-bit, 2 signed 16-bit, 3 float; other: no number
    std::uint32_t decimals = 0;

    bool operator==(const ErrorLogRow&) const = default;
};

} // namespace veldris
