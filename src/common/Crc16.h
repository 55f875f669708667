#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace veldris {

// CRC-16/XMODEM (polynomial 0x1021, initial 0, not reflected, no final XOR), through the
// 256-entry table of the polynomial: the SRDO checksum and the error-log header's checksum.
std::uint16_t crc16(const std::uint8_t* bytes, std::size_t length, std::uint16_t crc = 0);
std::uint16_t crc16(const std::string& bytes);

// One byte through the table: crc = table[(crc >> 8) ^ byte] ^ (crc << 8).
std::uint16_t crc16Update(std::uint16_t crc, std::uint8_t byte);

} // namespace veldris
