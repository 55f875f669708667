#pragma once

#include <cstdint>

// CiA 301 expedited SDO command specifiers (data byte 0), the only SDO transfers the program
// and its sensors use.
namespace veldris::sdo {

// Client to server.
inline constexpr std::uint8_t upload = 0x40;    // initiate upload (read)
inline constexpr std::uint8_t download1 = 0x2F; // expedited download of 1 byte
inline constexpr std::uint8_t download2 = 0x2B; // 2 bytes
inline constexpr std::uint8_t download3 = 0x27; // 3 bytes
inline constexpr std::uint8_t download4 = 0x23; // 4 bytes

// Server to client.
inline constexpr std::uint8_t downloadConfirmed = 0x60;
inline constexpr std::uint8_t uploaded1 = 0x4F; // expedited upload answer with 1 byte
inline constexpr std::uint8_t uploaded2 = 0x4B;
inline constexpr std::uint8_t uploaded3 = 0x47;
inline constexpr std::uint8_t uploaded4 = 0x43;
inline constexpr std::uint8_t abort = 0x80; // abort transfer; the abort code in data bytes 4..7

// Not on the bus: the request engine leaves data byte 0 at 0 when no answer came.
inline constexpr std::uint8_t noAnswer = 0x00;

// The expedited download command for a value of `bytes` bytes (1..4; 4 for anything else).
constexpr std::uint8_t downloadCommand(int bytes)
{
    return bytes == 1 ? download1 : bytes == 2 ? download2 : bytes == 3 ? download3 : download4;
}

} // namespace veldris::sdo
