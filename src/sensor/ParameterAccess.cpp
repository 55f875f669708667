#include "sensor/ParameterAccess.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoAnswer.h"
#include "sensor/SensorInfo.h"

#include <cstdio>

namespace veldris {

namespace {

enum class Drain { First, No };

CanFrame ask(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs, Drain drain)
{
    if (drain == Drain::First)
        client.drainReceiveQueue();
    return client.exchange(request, timeoutMs).answer;
}

bool confirmed(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs, Drain drain)
{
    return SdoAnswer::of(ask(client, request, timeoutMs, drain)).confirmed();
}

std::uint8_t node()
{
    return static_cast<std::uint8_t>(connectedNode());
}

ByteList bytesOf(const CanFrame& answer)
{
    if (!SdoAnswer::of(answer).uploaded(4))
        return {};
    return {answer.data[7], answer.data[6], answer.data[5], answer.data[4]};
}

} // namespace

std::int32_t getHeartbeat(CanOpenClient& client)
{
    const CanFrame answer = ask(client, requests::readHeartbeat(node()), 100, Drain::First);
    return SdoAnswer::of(answer).uploaded(2) ? static_cast<std::int32_t>(answer.value()) : -1;
}

bool setHeartbeat(CanOpenClient& client, std::uint32_t value)
{
    return confirmed(client, requests::writeHeartbeat(node(), value), 100, Drain::First);
}

ByteList getTpdoMappingBytes(CanOpenClient& client)
{
    return bytesOf(ask(client, requests::readTpdoMapping(node(), 0), 100, Drain::First));
}

ByteList getTpdoCobIdBytes(CanOpenClient& client)
{
    return bytesOf(ask(client, requests::readTpdoCobId(node()), 100, Drain::First));
}

// CiA 301: a PDO's COB-ID changes only while the PDO is not valid.
bool setTpdoCobId(CanOpenClient& client, std::uint32_t cobId)
{
    const std::uint8_t id = node();
    return confirmed(client, requests::disableTpdo(id), 100, Drain::No)
        && confirmed(client, requests::writeTpdoCobId(id, cobId), 100, Drain::No);
}

std::uint32_t getTpdoTransmissionType(CanOpenClient& client)
{
    return ask(client, requests::readTpdoTransmissionType(node()), 100, Drain::First).value();
}

std::uint32_t getTpdoEventTimer(CanOpenClient& client)
{
    return ask(client, requests::readTpdoEventTimer(node()), 100, Drain::First).value();
}

bool setTpdoEventTimer(CanOpenClient& client, std::uint32_t value)
{
    return confirmed(client, requests::writeTpdoEventTimer(node(), value), 30, Drain::First);
}

ByteList getSrdoMappingBytes(CanOpenClient& client)
{
    return bytesOf(ask(client, requests::readSrdoMapping(node()), 100, Drain::First));
}

ByteList getSrdoCobIdBytes(CanOpenClient& client)
{
    const CanFrame answer = ask(client, requests::readSrdoCobId(node()), 100, Drain::First);
    if (!SdoAnswer::of(answer).uploaded(4))
        return {};
    return {answer.data[5], answer.data[4]};
}

std::uint32_t getSrdoCycleTime(CanOpenClient& client)
{
    return ask(client, requests::readSrdoCycleTime(node()), 100, Drain::First).value();
}

std::uint32_t readDecimalDigits(CanOpenClient& client)
{
    return ask(client, requests::readDecimalDigits(node()), 100, Drain::No).value();
}

std::string readUnitText(CanOpenClient& client, std::uint8_t indexHighByte)
{
    return unitText(ask(client, requests::readUnit(node(), indexHighByte), 100, Drain::First).value());
}

std::int32_t getCurrentError(CanOpenClient& client)
{
    const CanFrame answer = ask(client, requests::readCurrentError(node(), connectedSensor().uidListed), 100, Drain::First);
    return SdoAnswer::of(answer).uploaded(4) ? static_cast<std::int32_t>(answer.value()) : -1;
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
