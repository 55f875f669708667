// The simulated sensor's object dictionary and its SDO server's initiate requests, in both
// object layouts, with the access code that guards the protected writes. The segments of the
// string objects' transfers are in SdoSegments.cpp.

#include "sim/VirtualSensor.h"

#include "common/SystemConstants.h"
#include "sim/SdoAnswers.h"
#include "sim/SrdoChecksum.h"
#include "sim/StringObjects.h"

#include <cmath>
#include <cstring>

namespace sim {

namespace {

constexpr std::uint32_t saveSignature = 0x65766173; // "save"
constexpr std::uint16_t memoryFirstIndex = 0x2800;  // 0x2800 + page: 256 bytes, sub-index = offset

bool isMemoryIndex(std::uint16_t index)
{
    return index >= memoryFirstIndex && index <= memoryFirstIndex + 0xFF;
}

bool validBitrate(std::uint32_t kbit)
{
    for (std::uint32_t allowed : {1000u, 800u, 500u, 250u, 125u, 100u, 50u, 20u, 10u})
        if (kbit == allowed)
            return true;
    return false;
}

std::uint32_t floatBits(double value)
{
    const float single = static_cast<float>(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
}

} // namespace

void VirtualSensor::defineObjects()
{
    ObjectDictionary& od = dictionary;
    const SensorConfig& c = setup;
    od.define(0x1000, 0, 4, Access::ReadOnly, 0x00000194);
    od.define(0x1001, 0, 1, Access::ReadOnly, 0);
    od.define(0x1010, 0, 1, Access::ReadOnly, 1);
    od.define(0x1010, 1, 4, Access::ReadWrite, 1); // reads 1: the sensor stores on command
    od.define(0x1017, 0, 2, Access::ReadWrite, c.heartbeatMs);
    od.define(0x1018, 0, 1, Access::ReadOnly, 4);
    od.define(0x1018, 1, 4, Access::ReadOnly, 0x0000044B);
    od.define(0x1018, 2, 4, Access::ReadOnly, static_cast<std::uint32_t>(c.itemNumber));
    od.define(0x1018, 3, 4, Access::ReadOnly, c.firmwareVersion);
    od.define(0x1018, 4, 4, Access::ReadOnly, static_cast<std::uint32_t>(c.serialNumber));
    od.define(0x1800, 0, 1, Access::ReadOnly, 5);
    od.define(0x1800, 1, 4, Access::ReadWrite, c.tpdoCobId ? c.tpdoCobId : 0x180u + c.nodeId);
    od.define(0x1800, 2, 1, Access::ReadWrite, c.tpdoTransmissionType);
    od.define(0x1800, 3, 2, Access::ReadWrite, 0);
    od.define(0x1800, 5, 2, Access::ReadWrite, c.tpdoEventTimerMs);
    od.define(0x1A00, 0, 1, Access::ReadWrite, 1);
    od.define(0x1A00, 1, 4, Access::ReadWrite, c.tpdoMapping);

    if (c.srdo.enabled) {
        const SrdoConfig& s = c.srdo;
        od.define(0x1301, 0, 1, Access::ReadOnly, 6);
        const std::pair<std::uint8_t, std::uint32_t> communication[] = {{1, s.direction},        {2, s.cycleTimeMs},
                                                                        {3, s.validationTimeMs}, {4, s.transmissionType},
                                                                        {5, s.cobId1},           {6, s.cobId2}};
        constexpr std::uint8_t sizes[] = {0, 1, 2, 1, 1, 4, 4};
        for (const auto& [sub, value] : communication)
            od.define(0x1301, sub, sizes[sub], Access::ReadWrite, value).protectedWrite = true;
        od.define(0x1381, 0, 1, Access::ReadWrite, s.mappingCount).protectedWrite = true;
        od.define(0x1381, 1, 4, Access::ReadWrite, s.mapping1).protectedWrite = true;
        od.define(0x1381, 2, 4, Access::ReadWrite, s.mapping2).protectedWrite = true;
        od.define(0x13FE, 0, 1, Access::ReadWrite, s.validMark).protectedWrite = true;
        od.define(0x13FF, 0, 1, Access::ReadOnly, 1);
        od.define(0x13FF, 1, 2, Access::ReadWrite, s.checksumAuto ? configuredSrdoChecksum() : s.checksum).protectedWrite =
            true;
    }

    ObjectEntry& nodeId = od.define(0x2000, 0, 1, Access::ReadWrite, c.nodeId);
    nodeId.protectedWrite = nodeId.communication = true;
    ObjectEntry& kbit = od.define(0x2001, 0, 2, Access::ReadWrite, static_cast<std::uint32_t>(c.bitrateKbit));
    kbit.protectedWrite = kbit.communication = true;
    od.define(0x2100, 0, 4, Access::WriteOnly, 0);
    od.define(0x2A00, 0, 1, Access::ReadOnly, 1);
    od.define(0x2A00, 1, 4, Access::ReadOnly, c.uid);
    od.define(c.listed ? 0x3600 : 0x2A0A, 0, 4, Access::ReadOnly, c.firmwareVersion);
    od.define(c.listed ? 0x3900 : 0x2A0C, 0, 4, Access::ReadOnly, c.currentError);
    od.define(c.listed ? 0x3A00 : 0x2A0D, 0, 4, Access::WriteOnly, 0);

    // The process value objects that the PDO and SRDO mappings name, with their units.
    for (std::uint32_t mapping : {c.tpdoMapping, c.srdo.enabled ? c.srdo.mapping1 : c.tpdoMapping}) {
        const auto index = static_cast<std::uint16_t>(mapping >> 16);
        const auto sub = static_cast<std::uint8_t>(mapping >> 8);
        const bool singleFloat = (index >> 8) == 0x61;
        const double raw = singleFloat ? 0 : std::lround(c.processValue * std::pow(10.0, c.decimalDigits));
        od.define(index, 0, 1, Access::ReadOnly, sub);
        od.define(index, sub, singleFloat ? 4 : 2, Access::ReadOnly,
                  singleFloat ? floatBits(c.processValue) : static_cast<std::uint32_t>(raw) & 0xFFFF);
        const auto unitIndex = static_cast<std::uint16_t>((index & 0xFF00) | 0x31);
        od.define(unitIndex, 0, 1, Access::ReadOnly, 1);
        od.define(unitIndex, 1, 4, Access::ReadOnly, c.unitCode);
    }
    od.define(0x7132, 0, 1, Access::ReadOnly, 1);
    od.define(0x7132, 1, 4, Access::ReadWrite, c.decimalDigits);
    defineStrings();
}

void VirtualSensor::defineStrings()
{
    for (const StringObject& object : stringObjects()) {
        const auto given = setup.strings.find(object.index);
        const std::string text = given != setup.strings.end() ? given->second : defaultString(object.index, setup);
        dictionary.defineString(object.index, 0, object.maxLength, object.access, text);
    }
}

void VirtualSensor::fillMemory()
{
    const auto put32 = [this](std::uint32_t address, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            mappedMemory[address + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put32(setup.listed ? 0x000C : 0x0044, static_cast<std::uint32_t>(setup.itemNumber));
    put32(setup.listed ? 0x0134 : 0x0048, static_cast<std::uint32_t>(setup.serialNumber));
    if (!setup.hasErrorLog)
        return;
    std::vector<std::uint8_t> log = setup.errorLogMemory;
    if (log.empty())
        log = buildErrorLogMemory(setup.errorLog, setup.errorLogEntries);
    const std::size_t start = setup.errorLog.virtaddr;
    for (std::size_t i = 0; i < log.size() && start + i < mappedMemory.size(); ++i)
        mappedMemory[start + i] = log[i];
}

void VirtualSensor::handleSdo(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    const std::uint8_t command = frame.data[0];
    switch (command >> 5) {
    case 0: return downloadSegment(frame, now, out);
    case 3: return uploadSegment(frame, now, out);
    case 4: // the client's abort ends the transfer; an abort is never answered
        transfer = {};
        return;
    default: break;
    }
    // Any other request starts anew: a transfer still running is given up (CiA 301).
    transfer = {};
    const auto index = static_cast<std::uint16_t>(frame.data[1] | frame.data[2] << 8);
    const std::uint8_t sub = frame.data[3];
    const std::uint32_t key = ObjectDictionary::key(index, sub);
    const auto abort = [&](std::uint32_t code) { sendAnswer(out, sdoFrame(node, 0x80, index, sub, code), now); };

    for (std::uint32_t blocked : setup.faults.abortObjects)
        if (blocked == key)
            return abort(setup.faults.abortCode);

    StringEntry* text = dictionary.findString(index, sub);
    switch (command >> 5) {
    case 2: { // initiate upload
        if (text)
            return initiateStringUpload(index, sub, *text, now, out);
        std::uint32_t value = 0;
        std::uint8_t size = 4;
        if (const std::uint32_t code = readObject(index, sub, value, size))
            return abort(code);
        const auto answer = static_cast<std::uint8_t>(0x43 | (4 - size) << 2);
        return sendAnswer(out, sdoFrame(node, answer, index, sub, value), now);
    }
    case 1: // initiate download
        if (text)
            return initiateStringDownload(frame, *text, now, out);
        if (!(command & 0x02)) // numeric objects are written in one expedited frame only
            return abort(abortCommand);
        return expeditedDownload(frame, now, out);
    default: return abort(abortCommand);
    }
}

void VirtualSensor::expeditedDownload(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    const std::uint8_t command = frame.data[0];
    const auto index = static_cast<std::uint16_t>(frame.data[1] | frame.data[2] << 8);
    const std::uint8_t sub = frame.data[3];
    const int size = command & 0x01 ? 4 - (command >> 2 & 0x03) : -1;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(frame.data[4 + i]) << (8 * i);
    const bool toBootloader = index == (setup.listed ? 0x3A00 : 0x2A0D) && sub == 0;
    if (const std::uint32_t code = writeObject(index, sub, value, size, now))
        return sendAnswer(out, sdoFrame(node, 0x80, index, sub, code), now);
    sendAnswer(out, sdoFrame(node, 0x60, index, sub, 0), now);
    if (toBootloader) { // the application hands over to the bootloader after its answer
        mode = Mode::Bootloader;
        transfer = {};
        heartbeatAt = tpdoAt = srdoAt = never;
        autoIncrement = false;
        echoedDataFrames = 0;
    }
}

std::uint32_t VirtualSensor::readObject(std::uint16_t index, std::uint8_t sub, std::uint32_t& value, std::uint8_t& size) const
{
    if (isMemoryIndex(index)) {
        const std::size_t address = static_cast<std::size_t>(index - memoryFirstIndex) * 256 + sub;
        if (address + 4 > mappedMemory.size())
            return abortNoSubIndex;
        value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(mappedMemory[address + i]) << (8 * i);
        size = 4;
        return 0;
    }
    const ObjectEntry* entry = dictionary.find(index, sub);
    if (!entry)
        return dictionary.hasIndex(index) ? abortNoSubIndex : abortNoObject;
    if (entry->access == Access::WriteOnly)
        return abortWriteOnly;
    value = entry->active;
    size = entry->size;
    return 0;
}

std::uint32_t VirtualSensor::writeObject(std::uint16_t index, std::uint8_t sub, std::uint32_t value, int size, Micros now)
{
    if (isMemoryIndex(index)) {
        // The only writable word of the mapped memory is the firmware unlock at 0x2800:00.
        if (index != memoryFirstIndex || sub != 0)
            return abortReadOnly;
        if (value != veldris::firmwareUnlockCode)
            return abortRefused;
        unlocked = true;
        return 0;
    }
    ObjectEntry* entry = dictionary.find(index, sub);
    if (!entry)
        return dictionary.hasIndex(index) ? abortNoSubIndex : abortNoObject;
    if (entry->access == Access::ReadOnly)
        return abortReadOnly;
    if (size >= 0 && size != entry->size)
        return abortLength;
    if (entry->size < 4)
        value &= (1u << (8 * entry->size)) - 1;
    if (index == 0x2100) { // the access code opens the protected objects until the next reset
        accessGranted = value == veldris::sensorAccessCode;
        return accessGranted ? 0 : abortRefused;
    }
    if (entry->protectedWrite && !accessGranted)
        return abortRefused;
    if (const std::uint32_t code = checkWrite(index, sub, value))
        return code;
    if (index == 0x1010) {
        dictionary.storeAll();
        return 0;
    }
    entry->active = value;
    afterWrite(index, sub, now);
    return 0;
}

std::uint32_t VirtualSensor::checkWrite(std::uint16_t index, std::uint8_t sub, std::uint32_t value) const
{
    const std::uint32_t key = ObjectDictionary::key(index, sub);
    if (key == ObjectDictionary::key(0x1010, 1))
        return value == saveSignature ? 0 : abortRefused;
    if (key == ObjectDictionary::key(0x2000, 0))
        return value >= 1 && value <= 127 ? 0 : abortRange;
    if (key == ObjectDictionary::key(0x2001, 0))
        return validBitrate(value) ? 0 : abortRange;
    if (key == ObjectDictionary::key(0x1800, 1)) {
        // A valid PDO keeps its COB-ID (the identifier and its frame format, bits 0..29): it must
        // be made invalid before they change. Bit 31 alone may change at any time.
        const std::uint32_t current = dictionary.value(0x1800, 1);
        const bool bothValid = !(current & 0x80000000u) && !(value & 0x80000000u);
        return bothValid && (current & 0x3FFFFFFFu) != (value & 0x3FFFFFFFu) ? abortRange : 0;
    }
    if (key == ObjectDictionary::key(0x13FE, 0) && value == 0xA5) {
        // The mark is only accepted for a configuration whose checksum is right.
        const bool matches = dictionary.value(0x13FF, 1) == configuredSrdoChecksum();
        return matches && !setup.faults.refuseSrdoStart ? 0 : abortDeviceState;
    }
    const bool bootloaderMode = index == (setup.listed ? 0x3A00 : 0x2A0D) && sub == 0;
    if (bootloaderMode && !unlocked)
        return abortRefused;
    return 0;
}

void VirtualSensor::afterWrite(std::uint16_t index, std::uint8_t, Micros now)
{
    // A changed safety configuration is no longer valid until it is confirmed again.
    if (index == 0x1301 || index == 0x1381)
        dictionary.set(0x13FE, 0, 0);
    if (index == 0x1017 || index == 0x1800 || index == 0x1301)
        restartSchedules(now);
}

bool VirtualSensor::srdoConfigurationValid() const
{
    return dictionary.value(0x13FE, 0) == 0xA5 && dictionary.value(0x13FF, 1) == configuredSrdoChecksum()
        && !setup.faults.refuseSrdoStart;
}

std::uint16_t VirtualSensor::configuredSrdoChecksum() const
{
    const std::uint32_t values[8] = {dictionary.value(0x1301, 1), dictionary.value(0x1301, 2), dictionary.value(0x1301, 3),
                                     dictionary.value(0x1301, 5), dictionary.value(0x1301, 6), dictionary.value(0x1381, 0),
                                     dictionary.value(0x1381, 1), dictionary.value(0x1381, 2)};
    return srdoChecksum(values);
}

} // namespace sim
