#pragma once

#include "can/CanFrame.h"

#include <cstdint>

// The fixed request frames the sensor services send: SDO requests on 0x600 + node ID, length 8,
// message type 0. `listed` selects the object layout of sensors with a listed UID.
namespace veldris::requests {

CanFrame sdoFrame(std::uint8_t node, std::uint8_t command, std::uint16_t index, std::uint8_t sub, std::uint32_t value = 0);

CanFrame readUid(std::uint8_t node);
CanFrame readFirmwareVersion(std::uint8_t node, bool listed);
CanFrame readItemNumber(std::uint8_t node, bool listed);
CanFrame readSerialNumber(std::uint8_t node, bool listed);
CanFrame storeParameters(std::uint8_t node);
CanFrame accessCode(std::uint8_t node);
CanFrame configurationValid(std::uint8_t node);
CanFrame writeNodeId(std::uint8_t node, std::uint8_t newNodeId);
CanFrame writeBitrate(std::uint8_t node, int bitrateIndex);  // kbit/s of the index; 0 outside 0..5
CanFrame srdoConfiguration(std::uint8_t node, int position); // position 0..8: 0x1301:01..06, 0x1381:00..02
inline constexpr int srdoConfigurationCount = 9;
CanFrame readSrdoChecksum(std::uint8_t node);
CanFrame writeSrdoChecksum(std::uint8_t node, std::uint16_t checksum);
CanFrame bootloaderMode(std::uint8_t node, bool listed);
CanFrame firmwareUnlock(std::uint8_t node);
CanFrame readHeartbeat(std::uint8_t node);
CanFrame writeHeartbeat(std::uint8_t node, std::uint32_t value);
CanFrame readTpdoMapping(std::uint8_t node, std::uint8_t n);
CanFrame readTpdoCobId(std::uint8_t node);
CanFrame disableTpdo(std::uint8_t node);
CanFrame writeTpdoCobId(std::uint8_t node, std::uint32_t cobId);
CanFrame readTpdoTransmissionType(std::uint8_t node);
CanFrame readTpdoEventTimer(std::uint8_t node);
CanFrame writeTpdoEventTimer(std::uint8_t node, std::uint32_t value);
CanFrame readUnit(std::uint8_t node, std::uint8_t indexHighByte);
CanFrame readDecimalDigits(std::uint8_t node);
CanFrame readCurrentError(std::uint8_t node, bool listed);
CanFrame readSrdoCycleTime(std::uint8_t node);
CanFrame readSrdoCobId(std::uint8_t node);
CanFrame readSrdoMapping(std::uint8_t node);

} // namespace veldris::requests
