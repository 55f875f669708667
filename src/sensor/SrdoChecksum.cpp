#include "sensor/SrdoChecksum.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "sensor/SensorInfo.h"

namespace veldris {

namespace {

// Entry i: the register after shifting i << 8 through the polynomial eight times.
constexpr std::array<std::uint16_t, 256> crcTable = [] {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}();

struct Feeder {
    std::uint16_t crc = 0;

    void byte(std::uint32_t value)
    {
        const std::uint8_t b = static_cast<std::uint8_t>(value);
        crc = static_cast<std::uint16_t>(crcTable[((crc >> 8) ^ b) & 0xFF] ^ (crc << 8));
    }

    void bytes(std::uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i)
            byte(value >> (8 * i));
    }
};

std::uint32_t valueOf(const CanFrame& answer)
{
    return static_cast<std::uint32_t>(answer.data[4] | answer.data[5] << 8 | answer.data[6] << 16)
        | static_cast<std::uint32_t>(answer.data[7]) << 24;
}

bool confirmed(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs)
{
    CanFrame answer;
    return client.request(answer, request, timeoutMs).data[0] == 0x60;
}

} // namespace

std::uint16_t crc16(const std::uint8_t* bytes, std::size_t length, std::uint16_t crc)
{
    Feeder feeder{crc};
    for (std::size_t i = 0; i < length; ++i)
        feeder.byte(bytes[i]);
    return feeder.crc;
}

std::uint16_t crc16(const std::string& bytes)
{
    return crc16(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

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

SrdoValues loadSrdoConfiguration(CanOpenClient& client, std::uint32_t node)
{
    nmtEnterPreOperationalAll(client);
    client.drainReceiveQueue();
    std::array<std::uint32_t, requests::srdoConfigurationCount> read{};
    for (int position = 0; position < requests::srdoConfigurationCount; ++position) {
        CanFrame answer;
        client.request(answer, requests::srdoConfiguration(static_cast<std::uint8_t>(node), position), 50);
        read[static_cast<std::size_t>(position)] = valueOf(answer);
    }
    // The transmission type 0x1301:04 is read but is not part of the configuration's checksum.
    return {read[0], read[1], read[2], read[4], read[5], read[6], read[7], read[8]};
}

std::uint32_t readSrdoChecksum(CanOpenClient& client, std::uint32_t node)
{
    CanFrame answer;
    return valueOf(client.request(answer, requests::readSrdoChecksum(static_cast<std::uint8_t>(node)), 50));
}

bool writeSrdoChecksum(CanOpenClient& client, std::uint32_t node, std::uint16_t checksum)
{
    if (!confirmed(client, requests::writeSrdoChecksum(static_cast<std::uint8_t>(node), checksum), 30))
        return false;
    const auto sensor = static_cast<std::uint8_t>(connectedNode());
    return confirmed(client, requests::configurationValid(sensor), 100)
        && confirmed(client, requests::storeParameters(sensor), 100);
}

bool saveSrdoChecksum(CanOpenClient& client, std::uint32_t node, const SrdoValues& values)
{
    return writeSrdoChecksum(client, node, computeSrdoChecksum(values));
}

} // namespace veldris
