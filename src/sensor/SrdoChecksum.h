#pragma once

#include "canopen/SdoResult.h"
#include "common/Crc16.h"

#include <array>
#include <cstdint>
#include <optional>
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

// The configuration as read from a sensor: a value that was not uploaded is 0, and the first
// read that gave none is kept.
struct SrdoConfiguration {
    SrdoValues values{};
    std::optional<SdoResult> failure;

    bool complete() const { return !failure; }
};

// Reads the configuration (pre-operational first, 50 ms per read).
SrdoConfiguration loadSrdoConfiguration(CanOpenClient& client, std::uint32_t node);
SdoResult readSrdoChecksum(CanOpenClient& client, std::uint32_t node); // 0x13FF:01
// Writes the checksum, the valid mark and the store command, each only after the one before was
// confirmed: the first answer that is no confirmation, else the store's confirmation.
SdoResult writeSrdoChecksum(CanOpenClient& client, std::uint32_t node, std::uint16_t checksum);
SdoResult saveSrdoChecksum(CanOpenClient& client, std::uint32_t node, const SrdoValues& values);

} // namespace veldris
