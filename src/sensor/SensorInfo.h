#pragma once

#include <cstdint>
#include <string>

namespace veldris {

// What the program knows of the sensor it works on, filled when the user picks a node.
struct SensorInfo {
    std::string nodeId;          // decimal, no leading zeros, as chosen in the node list
    std::string uid;             // "0x" and eight lower-case hexadecimal digits
    std::string firmwareVersion; // four decimal numbers joined by "."
    std::string itemNumber;      // signed decimal
    std::string serialNumber;    // signed decimal
    int variantCode = 0;         // the UID's hexadecimal digit of bits 8..11; 2: an SRDO (safety) sensor
    bool uidListed = false;      // selects one of the two object layouts

    // The node ID as a number: its leading decimal digits; 0 (no sensor answers there) for a
    // text that holds none or names no node ID.
    std::uint8_t node() const;
};

// The UIDs of the sensors with the first object layout.
bool isListedUid(const std::string& uid);

// The variant code of a UID text: its character at position 7 read as a hexadecimal digit
// (a letter gives 10..15, which behaves like every variant other than 2); 0 for a short text.
int variantCodeOf(const std::string& uid);

} // namespace veldris
