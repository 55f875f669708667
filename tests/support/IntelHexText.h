#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Intel HEX text for tests: one record line with its checksum (`count` overrides the byte count
// field), and whole images written as 16-byte data records.
inline std::string hexRecord(std::uint8_t type, std::uint16_t address, const std::vector<std::uint8_t>& data, int count = -1)
{
    std::vector<std::uint8_t> fields{static_cast<std::uint8_t>(count < 0 ? data.size() : static_cast<std::size_t>(count)),
                                     static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), type};
    fields.insert(fields.end(), data.begin(), data.end());
    std::uint8_t sum = 0;
    for (const std::uint8_t b : fields)
        sum = static_cast<std::uint8_t>(sum + b);
    fields.push_back(static_cast<std::uint8_t>(-sum));
    std::string line = ":";
    char digits[3];
    for (const std::uint8_t b : fields) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        line += digits;
    }
    return line;
}

// The bytes at their addresses (below 64 KiB), then the end-of-file record.
inline std::string hexImage(const std::map<std::uint16_t, std::vector<std::uint8_t>>& chunks)
{
    std::string text;
    for (const auto& [start, bytes] : chunks)
        for (std::size_t at = 0; at < bytes.size(); at += 16) {
            const std::vector<std::uint8_t> part(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                 bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at + 16, bytes.size())));
            text += hexRecord(0x00, static_cast<std::uint16_t>(start + at), part) + "\n";
        }
    return text + ":00000001FF\n";
}
