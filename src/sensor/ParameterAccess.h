#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;

// Single parameter reads and writes of the connected sensor (its node and object layout come
// from connectedSensor(); a node text without digits throws). "Byte lists" are the four value
// bytes of a 0x43 answer, most significant first; empty for any other answer.
using ByteList = std::vector<std::uint32_t>;

std::int32_t getHeartbeat(CanOpenClient& client);            // 0x1017:00 if answered 0x4B, else -1
bool setHeartbeat(CanOpenClient& client, std::uint32_t value);
ByteList getTpdoMappingBytes(CanOpenClient& client);         // 0x1A00:01
ByteList getTpdoCobIdBytes(CanOpenClient& client);           // 0x1800:01
bool setTpdoCobId(CanOpenClient& client, std::uint32_t cobId); // made invalid first, then written valid
std::uint32_t getTpdoTransmissionType(CanOpenClient& client); // raw 32-bit value of the answer (0 unanswered)
std::uint32_t getTpdoEventTimer(CanOpenClient& client);
bool setTpdoEventTimer(CanOpenClient& client, std::uint32_t value);
ByteList getSrdoMappingBytes(CanOpenClient& client);         // 0x1381:01
ByteList getSrdoCobIdBytes(CanOpenClient& client);           // 0x1301:05: data bytes 5 and 4 only
std::uint32_t getSrdoCycleTime(CanOpenClient& client);       // 0x1301:02
std::uint32_t readDecimalDigits(CanOpenClient& client);      // 0x7132:01, no drain
std::string readUnitText(CanOpenClient& client, std::uint8_t indexHighByte); // 8-bit text
std::int32_t getCurrentError(CanOpenClient& client);         // if answered 0x43, else -1

// The unit of a unit object's value: "kg", "N", "°" (the byte 0xB0), "t", "bar", "%", "kN"; empty otherwise.
std::string unitText(std::uint32_t unitCode);
// "71 30 01 20 " (two upper-case hexadecimal digits and a blank per byte).
std::string byteText(const ByteList& bytes);

} // namespace veldris
