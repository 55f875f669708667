#pragma once

#include "canopen/SdoResult.h"
#include "sensor/SensorInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;

// Single parameter reads and writes of a sensor (its node and object layout come from its
// record). Each gives the exchange's result: a value only when the sensor uploaded one for the
// object asked for.
SdoResult getHeartbeat(CanOpenClient& client, const SensorInfo& sensor); // 0x1017:00, 2 bytes
SdoResult setHeartbeat(CanOpenClient& client, const SensorInfo& sensor, std::uint16_t value);
SdoResult getTpdoMapping(CanOpenClient& client, const SensorInfo& sensor); // 0x1A00:01, 4 bytes
SdoResult getTpdoCobId(CanOpenClient& client, const SensorInfo& sensor);   // 0x1800:01, 4 bytes
// Made invalid first, then written valid with the identifier (0: 0x180 + node); the first
// result that is not a confirmation, else the second confirmation.
SdoResult setTpdoCobId(CanOpenClient& client, const SensorInfo& sensor, std::uint16_t cobId);
SdoResult getTpdoTransmissionType(CanOpenClient& client, const SensorInfo& sensor); // 0x1800:02
SdoResult getTpdoEventTimer(CanOpenClient& client, const SensorInfo& sensor);       // 0x1800:05
SdoResult setTpdoEventTimer(CanOpenClient& client, const SensorInfo& sensor, std::uint16_t value);
SdoResult getSrdoMapping(CanOpenClient& client, const SensorInfo& sensor);                       // 0x1381:01, 4 bytes
SdoResult getSrdoCobId(CanOpenClient& client, const SensorInfo& sensor);                         // 0x1301:05, 4 bytes
SdoResult getSrdoCycleTime(CanOpenClient& client, const SensorInfo& sensor);                     // 0x1301:02
SdoResult readDecimalDigits(CanOpenClient& client, const SensorInfo& sensor);                    // 0x7132:01, no drain
SdoResult readUnit(CanOpenClient& client, const SensorInfo& sensor, std::uint8_t indexHighByte); // 0xhh31:01
SdoResult getCurrentError(CanOpenClient& client, const SensorInfo& sensor);                      // 4 bytes

// CiA 301 PDO COB-IDs: bit 31 marks the PDO not valid, bit 29 an extended (29-bit) identifier.
// The identifier the PDO's frames carry.
std::uint32_t pdoIdentifier(std::uint32_t cobId);
// Not sent: marked not valid, or no identifier at all.
bool pdoInactive(std::uint32_t cobId);
// `cobId` made valid: bit 31 cleared and nothing else; without an identifier, 0x180 + node.
std::uint32_t activeTpdoCobId(std::uint32_t cobId, std::uint8_t node);
// Writes activeTpdoCobId(current) into 0x1800:01, where `current` is the COB-ID the sensor
// holds; a TPDO that is valid without an identifier is made not valid first, as CiA 301
// changes a valid PDO's identifier only that way.
SdoResult activateTpdo(CanOpenClient& client, const SensorInfo& sensor, std::uint32_t current);

// The largest COB-ID the TPDO's identifier field takes (11-bit identifiers).
inline constexpr std::uint16_t maxTpdoCobId = 0x7FF;

// "Byte lists" are the four value bytes of a 4-byte upload, most significant first; empty for
// any other result.
using ByteList = std::vector<std::uint32_t>;
ByteList valueBytes(const SdoResult& read);
// The SRDO COB-ID's two low bytes of a 4-byte upload (most significant first); empty otherwise.
ByteList srdoCobIdBytes(const SdoResult& read);

// The unit of a unit object's value: "kg", "N", "°" (the byte 0xB0), "t", "bar", "%", "kN"; empty otherwise.
std::string unitText(std::uint32_t unitCode);
// "71 30 01 20 " (two upper-case hexadecimal digits and a blank per byte).
std::string byteText(const ByteList& bytes);

} // namespace veldris
