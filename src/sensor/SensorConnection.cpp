#include "sensor/SensorConnection.h"

#include "can/Bitrates.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoAnswer.h"
#include "common/TextConversion.h"

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

CanFrame ask(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs)
{
    return client.exchange(request, timeoutMs).answer;
}

bool confirmed(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs)
{
    return SdoAnswer::of(ask(client, request, timeoutMs)).confirmed();
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
    ask(client, requests::accessCode(nodeByte(node)), sdoTimeoutMs);
    client.pause(std::chrono::milliseconds(500));
}

namespace {

std::string uidText(const CanFrame& answer)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x%02x%02x%02x", answer.data[7], answer.data[6], answer.data[5], answer.data[4]);
    return text;
}

} // namespace

std::string readUid(CanOpenClient& client, std::uint32_t node)
{
    return uidText(ask(client, requests::readUid(nodeByte(node)), sdoTimeoutMs));
}

std::string readFirmwareVersion(CanOpenClient& client, std::uint32_t node)
{
    const CanFrame answer =
        ask(client, requests::readFirmwareVersion(nodeByte(node), connectedSensor().uidListed), sdoReadTimeoutMs);
    char text[24];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", answer.data[7], answer.data[6], answer.data[5], answer.data[4]);
    return text;
}

std::string readItemNumber(CanOpenClient& client, std::uint32_t node)
{
    const CanFrame request = requests::readItemNumber(nodeByte(node), connectedSensor().uidListed);
    return std::to_string(static_cast<std::int32_t>(ask(client, request, sdoReadTimeoutMs).value()));
}

std::string readSerialNumber(CanOpenClient& client, std::uint32_t node)
{
    const CanFrame request = requests::readSerialNumber(nodeByte(node), connectedSensor().uidListed);
    return std::to_string(static_cast<std::int32_t>(ask(client, request, sdoReadTimeoutMs).value()));
}

void identify(CanOpenClient& client, SensorInfo record)
{
    record.uidListed = isListedUid(record.uid);
    SensorInfo& sensor = connectedSensor();
    sensor = record;
    const auto node = static_cast<std::uint32_t>(decimalToInt(sensor.nodeId));
    sensor.firmwareVersion = readFirmwareVersion(client, node);
    sensor.itemNumber = readItemNumber(client, node);
    sensor.serialNumber = readSerialNumber(client, node);
    sensor.variantCode = variantCodeOf(record.uid);
}

SensorPresence connectToSensor(CanOpenClient& client, const std::string& nodeText)
{
    const auto node = static_cast<std::uint32_t>(decimalToInt(nodeText));
    sendAccessCode(client, node);
    const Exchange uid = client.exchange(requests::readUid(nodeByte(node)), sdoTimeoutMs);
    SensorInfo record;
    record.nodeId = nodeText;
    record.uid = uidText(uid.answer);
    identify(client, record);
    return uid.answered() ? SensorPresence::Answered : SensorPresence::Silent;
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

int reconnectSensor(CanOpenClient& client)
{
    nmtResetCommunicationAll(client);
    client.pause(std::chrono::milliseconds(200));
    const auto node = static_cast<std::uint32_t>(connectedNode());
    sendAccessCode(client, node);
    if (connectedSensor().variantCode != 2)
        return 0;
    const SdoAnswer answer = SdoAnswer::of(ask(client, requests::configurationValid(nodeByte(node)), configurationValidTimeoutMs));
    return answer.confirmed() ? 0 : answer.aborted() ? -1 : -2;
}

} // namespace veldris
