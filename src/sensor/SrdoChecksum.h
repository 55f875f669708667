#pragma once

#include "common/Crc16.h"

#include <array>
#include <cstdint>
#include <string>

namespace veldris {

class CanOpenClient;

// The SRDO 1 configuration in checksum order: 0x1301:01, :02, :03, :05, :06, 0x1381:00, :01, :02.
using SrdoValues = std::array<std::uint32_t, 8>;

// The checksum of the configuration over 23 bytes: direction (1), cycle time (2), validation
// time (1), both COB-IDs (4 + 4), mapping count (1), then sub-index and value of both mapping
// entries (1 + 4, 1 + 4), least significant byte first. A value too wide for its field ends the
// checksum with the bytes fed so far.
std::uint16_t computeSrdoChecksum(const SrdoValues& values);

// Reads the configuration (pre-operational first, 50 ms per read; the values of unanswered
// reads are 0, of aborts their abort code).
SrdoValues loadSrdoConfiguration(CanOpenClient& client, std::uint32_t node);
std::uint32_t readSrdoChecksum(CanOpenClient& client, std::uint32_t node);
// Writes the checksum, the valid mark and the store command; true when all three were confirmed.
bool writeSrdoChecksum(CanOpenClient& client, std::uint32_t node, std::uint16_t checksum);
bool saveSrdoChecksum(CanOpenClient& client, std::uint32_t node, const SrdoValues& values);

} // namespace veldris
