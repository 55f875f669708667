#include "sensor/SensorConnection.h"

#include "can/Bitrates.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"

#include <chrono>
#include <cstdio>

namespace veldris {

namespace {

constexpr std::uint32_t sdoTimeoutMs = 30;
constexpr std::uint32_t sdoReadTimeoutMs = 50; // identity, SRDO configuration and checksum reads
constexpr std::uint32_t configurationValidTimeoutMs = 100;

std::uint8_t nodeByte(std::uint32_t node)
{
    return static_cast<std::uint8_t>(node);
}

bool confirmed(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs)
{
    return sdoExchange(client, request, timeoutMs).confirmed();
}

// After a confirmed write: store, then reset the bus so that the stored value takes effect.
ChangeResult storeAndReset(CanOpenClient& client, std::uint32_t node)
{
    const bool stored = confirmed(client, requests::storeParameters(nodeByte(node)), sdoTimeoutMs);
    nmtResetCommunicationAll(client);
    return stored ? ChangeResult::Changed : ChangeResult::NotStored;
}

} // namespace

void sendAccessCode(CanOpenClient& client, std::uint32_t node)
{
    sdoExchange(client, requests::accessCode(nodeByte(node)), sdoTimeoutMs);
    client.pause(std::chrono::milliseconds(500));
}

const SdoResult* IdentityReads::firstFailure() const
{
    for (const SdoResult* read : {&uid, &firmwareVersion, &itemNumber, &serialNumber})
        if (!read->uploaded())
            return read;
    return nullptr;
}

bool answeredAsForeignDevice(const SdoResult& read)
{
    const SdoObject uid = SdoObject::of(requests::readUid(0));
    return read.object.index == uid.index && read.object.subIndex == uid.subIndex && read.answered() && !read.uploaded();
}

std::string uidText(const SdoResult& read)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", read.uploaded() ? read.value : 0u);
    return text;
}

std::string versionText(const SdoResult& read)
{
    char text[24];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", read.bytes[3], read.bytes[2], read.bytes[1], read.bytes[0]);
    return text;
}

std::string numberText(const SdoResult& read)
{
    return std::to_string(static_cast<std::int32_t>(read.uploaded() ? read.value : 0u));
}

Connection identify(CanOpenClient& client, SensorInfo record, const SdoResult& uidRead)
{
    Connection connection{std::move(record), IdentityReads{}};
    SensorInfo& sensor = connection.sensor;
    IdentityReads& reads = connection.reads;
    sensor.uidListed = isListedUid(sensor.uid);
    reads.uid = uidRead;
    const std::uint8_t node = sensor.node();
    const auto read = [&client](const CanFrame& request) {
        return sdoExchange(client, request, sdoReadTimeoutMs).expectSize(4);
    };
    reads.firmwareVersion = read(requests::readFirmwareVersion(node, sensor.uidListed));
    reads.itemNumber = read(requests::readItemNumber(node, sensor.uidListed));
    reads.serialNumber = read(requests::readSerialNumber(node, sensor.uidListed));
    sensor.firmwareVersion = versionText(reads.firmwareVersion);
    sensor.itemNumber = numberText(reads.itemNumber);
    sensor.serialNumber = numberText(reads.serialNumber);
    sensor.variantCode = variantCodeOf(sensor.uid);
    return connection;
}

Connection connectToSensor(CanOpenClient& client, const std::string& nodeText)
{
    SensorInfo record;
    record.nodeId = nodeText;
    const std::uint8_t node = record.node();
    sendAccessCode(client, node);
    const SdoResult uid = sdoExchange(client, requests::readUid(node), sdoTimeoutMs).expectSize(4);
    record.uid = uidText(uid);
    return identify(client, std::move(record), uid);
}

std::optional<ChangeResult> nodeIdChangeRefusal(int current, int newNodeId)
{
    if (newNodeId == current)
        return ChangeResult::Unchanged;
    if (newNodeId < 1 || newNodeId > 127)
        return ChangeResult::OutOfRange;
    return std::nullopt;
}

std::optional<ChangeResult> bitrateChangeRefusal(int currentIndex, int newIndex)
{
    if (newIndex == currentIndex)
        return ChangeResult::Unchanged;
    if (!bitrateAt(newIndex))
        return ChangeResult::OutOfRange;
    return std::nullopt;
}

ChangeResult changeNodeId(CanOpenClient& client, int current, int newNodeId)
{
    if (const auto refusal = nodeIdChangeRefusal(current, newNodeId))
        return *refusal;
    const auto node = static_cast<std::uint32_t>(current);
    const CanFrame request = requests::writeNodeId(nodeByte(node), static_cast<std::uint8_t>(newNodeId));
    if (!confirmed(client, request, sdoTimeoutMs))
        return ChangeResult::Refused;
    return storeAndReset(client, node);
}

ChangeResult changeBitrate(CanOpenClient& client, std::uint32_t node, int currentIndex, int newIndex)
{
    if (const auto refusal = bitrateChangeRefusal(currentIndex, newIndex))
        return *refusal;
    if (!confirmed(client, requests::writeBitrate(nodeByte(node), newIndex), sdoTimeoutMs))
        return ChangeResult::Refused;
    return storeAndReset(client, node);
}

ReconnectResult reconnectSensor(CanOpenClient& client, const SensorInfo& sensor)
{
    nmtResetCommunicationAll(client);
    client.pause(std::chrono::milliseconds(200));
    sendAccessCode(client, sensor.node());
    if (sensor.variantCode != 2)
        return ReconnectResult::Done;
    const SdoResult answer = sdoExchange(client, requests::configurationValid(sensor.node()), configurationValidTimeoutMs);
    return answer.confirmed() ? ReconnectResult::Done
         : answer.aborted()   ? ReconnectResult::ConfigurationRefused
                              : ReconnectResult::NoAnswer;
}

} // namespace veldris
