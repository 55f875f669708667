#include "sensor/ParameterAccess.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoProtocol.h"
#include "sensor/SensorInfo.h"

#include <cstdio>

namespace veldris {

namespace {

enum class Drain { First, No };

constexpr std::uint32_t pdoNotValid = 1u << 31;

SdoResult ask(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs, Drain drain)
{
    if (drain == Drain::First)
        client.drainReceiveQueue();
    return sdoExchange(client, request, timeoutMs);
}

} // namespace

SdoResult getHeartbeat(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readHeartbeat(sensor.node()), 100, Drain::First).expectSize(2);
}

SdoResult setHeartbeat(CanOpenClient& client, const SensorInfo& sensor, std::uint16_t value)
{
    return ask(client, requests::writeHeartbeat(sensor.node(), value), 100, Drain::First);
}

SdoResult getTpdoMapping(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readTpdoMapping(sensor.node(), 0), 100, Drain::First).expectSize(4);
}

SdoResult getTpdoCobId(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readTpdoCobId(sensor.node()), 100, Drain::First).expectSize(4);
}

// CiA 301: a PDO's COB-ID changes only while the PDO is not valid.
SdoResult setTpdoCobId(CanOpenClient& client, const SensorInfo& sensor, std::uint16_t cobId)
{
    const std::uint8_t id = sensor.node();
    const SdoResult disabled = ask(client, requests::disableTpdo(id), 100, Drain::No);
    if (!disabled.confirmed())
        return disabled;
    return ask(client, requests::writeTpdoCobId(id, cobId), 100, Drain::No);
}

std::uint32_t pdoIdentifier(std::uint32_t cobId)
{
    constexpr std::uint32_t extendedFrame = 1u << 29;
    return cobId & (cobId & extendedFrame ? 0x1FFFFFFFu : 0x7FFu);
}

bool pdoInactive(std::uint32_t cobId)
{
    return (cobId & pdoNotValid) != 0 || pdoIdentifier(cobId) == 0;
}

std::uint32_t activeTpdoCobId(std::uint32_t cobId, std::uint8_t node)
{
    const std::uint32_t valid = cobId & ~pdoNotValid;
    return pdoIdentifier(valid) == 0 ? (valid & ~0x1FFFFFFFu) | (0x180u + node) : valid;
}

SdoResult activateTpdo(CanOpenClient& client, const SensorInfo& sensor, std::uint32_t current)
{
    const std::uint8_t id = sensor.node();
    if (!(current & pdoNotValid)) {
        const CanFrame disable = requests::sdoFrame(id, sdo::download4, 0x1800, 0x01, current | pdoNotValid);
        const SdoResult disabled = ask(client, disable, 100, Drain::No);
        if (!disabled.confirmed())
            return disabled;
    }
    const CanFrame enable = requests::sdoFrame(id, sdo::download4, 0x1800, 0x01, activeTpdoCobId(current, id));
    return ask(client, enable, 100, Drain::No);
}

SdoResult getTpdoTransmissionType(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readTpdoTransmissionType(sensor.node()), 100, Drain::First);
}

SdoResult getTpdoEventTimer(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readTpdoEventTimer(sensor.node()), 100, Drain::First);
}

SdoResult setTpdoEventTimer(CanOpenClient& client, const SensorInfo& sensor, std::uint16_t value)
{
    return ask(client, requests::writeTpdoEventTimer(sensor.node(), value), 30, Drain::First);
}

SdoResult getSrdoMapping(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readSrdoMapping(sensor.node()), 100, Drain::First).expectSize(4);
}

SdoResult getSrdoCobId(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readSrdoCobId(sensor.node()), 100, Drain::First).expectSize(4);
}

SdoResult getSrdoCycleTime(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readSrdoCycleTime(sensor.node()), 100, Drain::First);
}

SdoResult readDecimalDigits(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readDecimalDigits(sensor.node()), 100, Drain::No);
}

SdoResult readUnit(CanOpenClient& client, const SensorInfo& sensor, std::uint8_t indexHighByte)
{
    return ask(client, requests::readUnit(sensor.node(), indexHighByte), 100, Drain::First);
}

SdoResult getCurrentError(CanOpenClient& client, const SensorInfo& sensor)
{
    return ask(client, requests::readCurrentError(sensor.node(), sensor.uidListed), 100, Drain::First).expectSize(4);
}

ByteList valueBytes(const SdoResult& read)
{
    if (!read.uploaded() || read.size != 4)
        return {};
    return {read.bytes[3], read.bytes[2], read.bytes[1], read.bytes[0]};
}

ByteList srdoCobIdBytes(const SdoResult& read)
{
    const ByteList bytes = valueBytes(read);
    if (bytes.empty())
        return {};
    return {bytes[2], bytes[3]};
}

std::string unitText(std::uint32_t unitCode)
{
    switch (unitCode) {
    case 0x00020000: return "kg";
    case 0x00210000: return "N";
    case 0x00410000: return "\xB0"; // the degree sign in the program's 8-bit text
    case 0x004C0000: return "t";
    case 0x004E0000: return "bar";
    case 0x00A10000: return "%";
    case 0x03210000: return "kN";
    default: return {};
    }
}

std::string byteText(const ByteList& bytes)
{
    std::string text;
    for (std::uint32_t byte : bytes) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02X ", byte & 0xFFu);
        text += digits;
    }
    return text;
}

} // namespace veldris
