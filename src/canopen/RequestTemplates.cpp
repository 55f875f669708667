#include "canopen/RequestTemplates.h"

#include "can/Bitrates.h"
#include "canopen/SdoProtocol.h"
#include "common/SystemConstants.h"

namespace veldris::requests {

namespace {

using sdo::download1;
using sdo::download2;
using sdo::download4;

CanFrame read(std::uint8_t node, std::uint16_t index, std::uint8_t sub)
{
    return sdoFrame(node, sdo::upload, index, sub);
}

} // namespace

CanFrame sdoFrame(std::uint8_t node, std::uint8_t command, std::uint16_t index, std::uint8_t sub, std::uint32_t value)
{
    CanFrame frame;
    frame.identifier = 0x600u + node;
    frame.messageType = pcan::messageStandard;
    frame.length = 8;
    frame.data[0] = command;
    frame.data[1] = static_cast<std::uint8_t>(index);
    frame.data[2] = static_cast<std::uint8_t>(index >> 8);
    frame.data[3] = sub;
    for (int i = 0; i < 4; ++i)
        frame.data[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return frame;
}

CanFrame readUid(std::uint8_t node)
{
    return read(node, 0x2A00, 0x01);
}
CanFrame readFirmwareVersion(std::uint8_t node, bool listed)
{
    return listed ? read(node, 0x3600, 0) : read(node, 0x2A0A, 0);
}
CanFrame readItemNumber(std::uint8_t node, bool listed)
{
    return listed ? read(node, 0x2800, 0x0C) : read(node, 0x2800, 0x44);
}
CanFrame readSerialNumber(std::uint8_t node, bool listed)
{
    return listed ? read(node, 0x2801, 0x34) : read(node, 0x2800, 0x48);
}
CanFrame storeParameters(std::uint8_t node)
{
    return sdoFrame(node, download4, 0x1010, 0x01, 0x65766173);
} // "save"
CanFrame accessCode(std::uint8_t node)
{
    return sdoFrame(node, download4, 0x2100, 0, sensorAccessCode);
}
CanFrame configurationValid(std::uint8_t node)
{
    return sdoFrame(node, download1, 0x13FE, 0, 0xA5);
}
CanFrame writeNodeId(std::uint8_t node, std::uint8_t newNodeId)
{
    return sdoFrame(node, download1, 0x2000, 0, newNodeId);
}
CanFrame writeBitrate(std::uint8_t node, int bitrateIndex)
{
    return sdoFrame(node, download2, 0x2001, 0, bitrateKbit(bitrateIndex));
}

CanFrame srdoConfiguration(std::uint8_t node, int position)
{
    return position < 6 ? read(node, 0x1301, static_cast<std::uint8_t>(position + 1))
                        : read(node, 0x1381, static_cast<std::uint8_t>(position - 6));
}

CanFrame readSrdoChecksum(std::uint8_t node)
{
    return read(node, 0x13FF, 0x01);
}
CanFrame writeSrdoChecksum(std::uint8_t node, std::uint16_t checksum)
{
    return sdoFrame(node, download2, 0x13FF, 0x01, checksum);
}
CanFrame bootloaderMode(std::uint8_t node, bool listed)
{
    return sdoFrame(node, download4, listed ? 0x3A00 : 0x2A0D, 0);
}
CanFrame firmwareUnlock(std::uint8_t node)
{
    return sdoFrame(node, download4, 0x2800, 0, firmwareUnlockCode);
}
CanFrame readHeartbeat(std::uint8_t node)
{
    return read(node, 0x1017, 0);
}
// Declared as a 2-byte write, but carrying all four bytes of the value, as the sensors expect.
CanFrame writeHeartbeat(std::uint8_t node, std::uint32_t value)
{
    return sdoFrame(node, download2, 0x1017, 0, value);
}
CanFrame readTpdoMapping(std::uint8_t node, std::uint8_t n)
{
    return read(node, static_cast<std::uint16_t>(0x1A00 + n), 0x01);
}
CanFrame readTpdoCobId(std::uint8_t node)
{
    return read(node, 0x1800, 0x01);
}
CanFrame disableTpdo(std::uint8_t node)
{
    return sdoFrame(node, download4, 0x1800, 0x01, 0x80000000u);
}

// Only the low 16 bits are written, so the PDO is valid (bit 31 clear) after the write.
CanFrame writeTpdoCobId(std::uint8_t node, std::uint32_t cobId)
{
    const std::uint32_t id = cobId == 0 ? 0x180u + node : cobId & 0xFFFF;
    return sdoFrame(node, download4, 0x1800, 0x01, id);
}

CanFrame readTpdoTransmissionType(std::uint8_t node)
{
    return read(node, 0x1800, 0x02);
}
CanFrame readTpdoEventTimer(std::uint8_t node)
{
    return read(node, 0x1800, 0x05);
}
CanFrame writeTpdoEventTimer(std::uint8_t node, std::uint32_t value)
{
    return sdoFrame(node, download2, 0x1800, 0x05, value);
}
CanFrame readUnit(std::uint8_t node, std::uint8_t indexHighByte)
{
    return read(node, static_cast<std::uint16_t>(indexHighByte << 8 | 0x31), 0x01);
}
CanFrame readDecimalDigits(std::uint8_t node)
{
    return read(node, 0x7132, 0x01);
}
CanFrame readCurrentError(std::uint8_t node, bool listed)
{
    return listed ? read(node, 0x3900, 0) : read(node, 0x2A0C, 0);
}
CanFrame readSrdoCycleTime(std::uint8_t node)
{
    return read(node, 0x1301, 0x02);
}
CanFrame readSrdoCobId(std::uint8_t node)
{
    return read(node, 0x1301, 0x05);
}
CanFrame readSrdoMapping(std::uint8_t node)
{
    return read(node, 0x1381, 0x01);
}

} // namespace veldris::requests
