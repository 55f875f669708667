#pragma once

#include <cstdint>

namespace sim {

// The checksum a safety sensor keeps of its SRDO 1 configuration (0x13FF:01): CRC-16/XMODEM
// over 23 bytes: direction (1), cycle time (2), validation time (1), COB-ID 1 (4), COB-ID 2
// (4), mapping count (1), then sub-index 1 and mapping entry 1 (1 + 4), sub-index 2 and
// mapping entry 2 (1 + 4), least significant byte first. A value too wide for its field ends
// the calculation there. Computed bit by bit, independently of the program's table-driven
// implementation, so that the two check each other.
std::uint16_t srdoChecksum(const std::uint32_t (&values)[8]);

} // namespace sim
