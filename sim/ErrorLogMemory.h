#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The error-log memory of a simulated sensor: the ring of flash pages in which the sensor's
// firmware keeps its fault history, built byte for byte so that the service tool reads it
// back exactly as it reads a real sensor.
namespace sim {

// One fault as the sensor writes it. Raw fields, written little-endian:
//  - error: for the 8-byte patterns ("EEEETTVV", "EEEEVVVV") the 32-bit error bit mask, or
//    0x41/0x42/0x43 for the special entries 'A', 'B', 'C'; for the 5-byte patterns
//    ("ETTVVXXX", "EVVVVXXX") the one-byte error index 1..32 or 0x41..0x43 (only the low byte
//    is written).
//  - timestamp: the T field (patterns with T only).
//  - value: the V field: 16 bits for the T patterns, 32 bits for the V-only patterns.
// An error field of all ones (0xFFFFFFFF, or the byte 0xFF for 5-byte entries) is written as
// given, but it looks like an erased slot, so a reader ends the page there.
struct ErrorLogEntry {
    std::uint32_t error = 0;
    std::uint16_t timestamp = 0;
    std::uint32_t value = 0;
};

struct ErrorLogLayout {
    std::uint32_t virtaddr = 0; // start of the log area in the sensor's SDO-mapped memory (only carried along here)
    std::uint16_t pageSize = 0; // bytes per flash page
    std::uint8_t pageCount = 0; // pages in the ring
    std::string errorStruct;    // one of "EEEETTVV", "EEEEVVVV", "ETTVVXXX", "EVVVVXXX"
    std::string pageHeader;     // 8 characters over A, F, E, X; header length = characters other than X (at least 2)
    bool listed = false;        // object layout of the sensor: selects the page-state bytes
};

// Entry size in bytes (8 or 5) of a pattern; 0 for an unknown pattern.
std::size_t entrySize(const std::string& errorStruct);

// Number of characters other than 'X' in the page header pattern.
std::size_t pageHeaderLength(const std::string& pageHeader);

// How many entries one page holds: the slots at header, header+S, ... that lie completely
// inside the page. 0 when the pattern is unknown or not even one slot fits.
std::size_t slotsPerPage(const ErrorLogLayout& layout);

// The bytes of the whole log area (pageCount × pageSize), as the sensor's firmware leaves them
// after writing `entries` in this order (oldest first) into the ring, starting at page
// `firstPage` (counted cyclically, so pageCount or more wraps round). Returns an empty vector
// and sets `error` (when given) for a layout it cannot build: unknown pattern, page header
// pattern not 8 characters over A, F, E, X, page header shorter than 2 or longer than the
// page, pageCount 0, a page too small for one entry.
std::vector<std::uint8_t> buildErrorLogMemory(const ErrorLogLayout& layout, const std::vector<ErrorLogEntry>& entries,
                                              unsigned firstPage = 0, std::string* error = nullptr);

} // namespace sim
