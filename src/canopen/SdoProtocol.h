#pragma once

#include <cstdint>

// CiA 301 SDO command specifiers (data byte 0): expedited transfers for numbers, segmented
// ones for strings and byte blocks.
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

// Segmented transfers. Initiate: 0x21 download / 0x41 upload answer with the size in data bytes
// 4..7 (0x20 / 0x40 without). Segments: bit 4 the toggle, bits 1..3 the unused bytes of 7,
// bit 0 the last segment.
inline constexpr std::uint8_t downloadSegmentedSized = 0x21;
inline constexpr std::uint8_t uploadSegment = 0x60;            // client asks for the next segment
inline constexpr std::uint8_t downloadSegmentConfirmed = 0x20; // server took a download segment
inline constexpr std::uint8_t toggleBit = 0x10;
inline constexpr std::uint8_t lastSegmentBit = 0x01;
inline constexpr std::uint8_t expeditedBit = 0x02;
inline constexpr std::uint8_t sizeIndicatedBit = 0x01;

// Abort codes the client itself sends.
inline constexpr std::uint32_t abortToggle = 0x05030000;   // toggle bit not alternated
inline constexpr std::uint32_t abortTimeout = 0x05040000;  // SDO protocol timed out
inline constexpr std::uint32_t abortTooLarge = 0x05040005; // out of memory
inline constexpr std::uint32_t abortLength = 0x06070010;   // length of the data does not match

// Not on the bus: the request engine leaves data byte 0 at 0 when no answer came.
inline constexpr std::uint8_t noAnswer = 0x00;

// The expedited download command for a value of `bytes` bytes (1..4; 4 for anything else).
constexpr std::uint8_t downloadCommand(int bytes)
{
    return bytes == 1 ? download1 : bytes == 2 ? download2 : bytes == 3 ? download3 : download4;
}

} // namespace veldris::sdo
