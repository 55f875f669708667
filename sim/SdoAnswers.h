#pragma once

#include "sim/SimFrame.h"

#include <cstdint>

// What the simulated SDO server answers with: the CiA 301 abort codes it uses and its answer
// frame on 0x580 + node.
namespace sim {

inline constexpr std::uint32_t abortToggle = 0x05030000; // toggle bit not alternated
inline constexpr std::uint32_t abortCommand = 0x05040001;
inline constexpr std::uint32_t abortWriteOnly = 0x06010001;
inline constexpr std::uint32_t abortReadOnly = 0x06010002;
inline constexpr std::uint32_t abortNoObject = 0x06020000;
inline constexpr std::uint32_t abortLength = 0x06070010;
inline constexpr std::uint32_t abortTooLong = 0x06070012;
inline constexpr std::uint32_t abortNoSubIndex = 0x06090011;
inline constexpr std::uint32_t abortRange = 0x06090030;
inline constexpr std::uint32_t abortRefused = 0x08000020; // locked: access or unlock code missing
inline constexpr std::uint32_t abortDeviceState = 0x08000022;

// An answer with the object in bytes 1..3 and `value` (least significant byte first) in 4..7.
inline Frame sdoFrame(std::uint8_t node, std::uint8_t command, std::uint16_t index, std::uint8_t sub, std::uint32_t value)
{
    Frame frame;
    frame.id = 0x580u + node;
    frame.length = 8;
    frame.data[0] = command;
    frame.data[1] = static_cast<std::uint8_t>(index);
    frame.data[2] = static_cast<std::uint8_t>(index >> 8);
    frame.data[3] = sub;
    for (int i = 0; i < 4; ++i)
        frame.data[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return frame;
}

} // namespace sim
