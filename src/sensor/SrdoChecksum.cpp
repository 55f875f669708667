#include "sensor/SrdoChecksum.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "common/Crc16.h"

namespace veldris {

namespace {

struct Feeder {
    std::uint16_t crc = 0;

    void byte(std::uint32_t value)
    {
        const std::uint8_t b = static_cast<std::uint8_t>(value);
        crc = crc16Update(crc, b);
    }

    void bytes(std::uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i)
            byte(value >> (8 * i));
    }
};

} // namespace

std::uint16_t computeSrdoChecksum(const SrdoValues& values)
{
    Feeder feed;
    if (values[0] > 0xFF)
        return feed.crc;
    feed.byte(values[0]);
    if (values[1] > 0xFFFF)
        return feed.crc;
    feed.bytes(values[1], 2);
    if (values[2] > 0xFF)
        return feed.crc;
    feed.byte(values[2]);
    feed.bytes(values[3], 4);
    feed.bytes(values[4], 4);
    if (values[5] > 0xFF)
        return feed.crc;
    feed.byte(values[5]);
    // Both mapping entries always count, with their sub-indexes, whatever the count says.
    feed.byte(0x01);
    feed.bytes(values[6], 4);
    feed.byte(0x02);
    feed.bytes(values[7], 4);
    return feed.crc;
}

SrdoConfiguration loadSrdoConfiguration(CanOpenClient& client, std::uint32_t node)
{
    nmtEnterPreOperationalAll(client);
    client.drainReceiveQueue();
    SrdoConfiguration configuration;
    std::array<std::uint32_t, requests::srdoConfigurationCount> read{};
    for (int position = 0; position < requests::srdoConfigurationCount; ++position) {
        const SdoResult answer =
            sdoExchange(client, requests::srdoConfiguration(static_cast<std::uint8_t>(node), position), 50);
        read[static_cast<std::size_t>(position)] = answer.value;
        if (!answer.uploaded() && !configuration.failure)
            configuration.failure = answer;
    }
    // The transmission type 0x1301:04 is read but is not part of the configuration's checksum.
    configuration.values = {read[0], read[1], read[2], read[4], read[5], read[6], read[7], read[8]};
    return configuration;
}

SdoResult readSrdoChecksum(CanOpenClient& client, std::uint32_t node)
{
    return sdoExchange(client, requests::readSrdoChecksum(static_cast<std::uint8_t>(node)), 50);
}

SdoResult writeSrdoChecksum(CanOpenClient& client, std::uint32_t node, std::uint16_t checksum)
{
    const auto id = static_cast<std::uint8_t>(node);
    SdoResult answer = sdoExchange(client, requests::writeSrdoChecksum(id, checksum), 30);
    if (answer.confirmed())
        answer = sdoExchange(client, requests::configurationValid(id), 100);
    if (answer.confirmed())
        answer = sdoExchange(client, requests::storeParameters(id), 100);
    return answer;
}

SdoResult saveSrdoChecksum(CanOpenClient& client, std::uint32_t node, const SrdoValues& values)
{
    return writeSrdoChecksum(client, node, computeSrdoChecksum(values));
}

} // namespace veldris
