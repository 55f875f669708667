#pragma once

#include <cstdint>

// Fixed constants shared by the program and the sensors it talks to. The simulated sensors
// check the same values, so they are kept here and nowhere else.
namespace veldris {

// Written to 0x2100:00 before the protected writes (node ID, bit rate, SRDO configuration);
// sent least significant byte first.
inline constexpr std::uint32_t sensorAccessCode = 0x4B56524Fu;

// Written to 0x2800:00 before the bootloader-mode write of a firmware update.
inline constexpr std::uint32_t firmwareUnlockCode = 0x424F4F54u;

// Every byte of a firmware package (.kfu) is XORed with this mask.
inline constexpr std::uint8_t packageMask = 0x5Au;

// Every byte of the sensor description file canopen.dev is XORed with this mask.
inline constexpr std::uint8_t descriptionFileMask = 0xC3u;

// The sensors' bootloader: identifier of its frames and the bit rate it always runs at.
inline constexpr std::uint32_t bootloaderIdentifier = 0x7F;
inline constexpr int bootloaderBitrateKbit = 125;

} // namespace veldris
