#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

// The description of one sensor's error log: who the sensor is and how its log memory is laid
// out. Filled by the readout from the description file, stored in a .kel file's header and read
// back from it; the decoder interprets the memory with it. Copied by value.
struct ErrorLogDescriptor {
    std::uint16_t version = 0;   // header format version, 1 or 2, when read from a header
    std::string uid;             // "0x" and hexadecimal digits
    std::string firmwareVersion; // "a.b.c.d", "n/a" from a version-1 header
    std::uint32_t itemNumber = 0;
    std::uint32_t serialNumber = 0;
    std::uint16_t pagesize = 0;     // [bytes] per flash page of the ring
    std::uint8_t pagecnt = 0;       // pages in the ring
    std::string pageheader;         // 8 characters over A, F, E, X; non-X characters = header length
    std::uint8_t uidListed = 0;     // object layout of the sensor: selects the page state letters
    std::string errorstruct;        // "EEEETTVV", "EEEEVVVV", "ETTVVXXX" or "EVVVVXXX"
    std::uint32_t list = 0;         // error bits whose entries are shown
    std::vector<std::int32_t> ebit; // error number (1..54) per error bit; index 0 = bit 1
    std::vector<std::int32_t> ibit; // value format per error bit: kind << 4 | decimals
    std::vector<std::int32_t> log;  // numbers of the special entries 'A', 'B', 'C' (shown as 200 + n)

    void reset() { *this = ErrorLogDescriptor{}; }
};

} // namespace veldris
