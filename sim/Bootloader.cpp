// The simulated sensor's bootloader: one-letter commands on identifier 0x7F at 125 kbit/s,
// and the application flash it writes.

#include "sim/VirtualSensor.h"

#include "common/SystemConstants.h"
#include "sim/StringObjects.h"

#include <algorithm>

namespace sim {

namespace {

constexpr Micros eraseTime = millis(200);
constexpr Micros rebootTime = millis(50);
constexpr Micros powerCutTime = millis(500); // without power, after the fault's cut
constexpr std::uint32_t blockSize = 256;

Frame bootloaderFrame(std::initializer_list<std::uint8_t> bytes)
{
    Frame frame;
    frame.id = veldris::bootloaderIdentifier;
    for (std::uint8_t byte : bytes)
        frame.data[frame.length++] = byte;
    return frame;
}

} // namespace

void VirtualSensor::handleBootloader(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    if (frame.length == 0)
        return;
    switch (frame.data[0]) {
    case 'a': autoIncrement = true; return sendAnswer(out, bootloaderFrame({'a', 0, 'Y'}), now);
    case 'S': {
        const std::string& id = setup.faults.bootloaderId.empty() ? setup.bootloaderId : setup.faults.bootloaderId;
        Frame answer = bootloaderFrame({'S', 0});
        for (std::size_t i = 0; i < 6; ++i)
            answer.data[2 + i] = i < id.size() ? static_cast<std::uint8_t>(id[i]) : ' ';
        answer.length = 8;
        return sendAnswer(out, answer, now);
    }
    case 'A':
        if (frame.length < 6)
            return;
        bootloaderAddress = static_cast<std::uint32_t>(frame.data[2] | frame.data[3] << 8 | frame.data[4] << 16)
                          | static_cast<std::uint32_t>(frame.data[5]) << 24;
        return sendAnswer(out, frame, now);
    case 'c': return echoData(frame, now, out);
    case 'e':
        flash.clear();
        imageIncomplete = false;
        return emit(out, bootloaderFrame({'e', 0, 'Y'}), now + eraseTime + millis(setup.faults.answerDelayMs));
    case 'B': {
        if (imageIncomplete) // the bootloader does not start a broken application image
            return sendAnswer(out, bootloaderFrame({'B', 0, 'N'}), now);
        sendAnswer(out, bootloaderFrame({'B', 0, 'Y'}), now);
        // The application starts again, reporting the version of the firmware now in flash.
        bool written = false;
        const std::uint32_t version = flashWord(setup.firmwareVersionAddress, written);
        if (written) {
            for (std::uint16_t index : {std::uint16_t(setup.listed ? 0x3600 : 0x2A0A), std::uint16_t(0x1018)}) {
                ObjectEntry* entry = dictionary.find(index, index == 0x1018 ? 3 : 0);
                entry->active = entry->stored = version;
            }
            if (StringEntry* software = dictionary.findString(0x100A, 0))
                software->active = software->stored = versionText(version);
        }
        startBoot(now, rebootTime, true);
        return;
    }
    default: return;
    }
}

// A data frame: its bytes go to flash at the address, and the frame is echoed.
void VirtualSensor::echoData(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    const std::size_t count = frame.length > 2 ? frame.length - 2u : 0u;
    writeFlash(bootloaderAddress, frame.data + 2, count);
    if (autoIncrement)
        bootloaderAddress += static_cast<std::uint32_t>(count);
    const int limit = setup.faults.bootloaderEchoLimit;
    if (limit >= 0 && echoedDataFrames >= limit)
        return; // the faulty bootloader has stopped echoing
    ++echoedDataFrames;
    sendAnswer(out, frame, now); // the echo: the same eight data bytes
    if (!powerCutDone && echoedDataFrames == setup.faults.powerCutAfterFrames)
        cutPower(now + millis(setup.faults.answerDelayMs));
}

// The sensor loses power once its echo is out: silent for a while, then back in its bootloader,
// since the application image in flash is incomplete. It happens once in the sensor's life.
void VirtualSensor::cutPower(Micros at)
{
    powerCutDone = true;
    imageIncomplete = true;
    powerOffFrom = at;
    powerOffUntil = at + powerCutTime;
    mode = Mode::Bootloader;
    autoIncrement = false;
    bootloaderAddress = 0;
    echoedDataFrames = 0;
    bootDoneAt = heartbeatAt = tpdoAt = srdoAt = never;
}

// Flash bits only go from 1 to 0 when written; erasing sets whole blocks back to 0xFF.
void VirtualSensor::writeFlash(std::uint32_t address, const std::uint8_t* bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        std::vector<std::uint8_t>& block = flash[at / blockSize * blockSize];
        if (block.empty())
            block.assign(blockSize, 0xFF);
        block[at % blockSize] &= bytes[i];
    }
}

std::uint32_t VirtualSensor::flashWord(std::uint32_t address, bool& written) const
{
    const std::vector<std::uint8_t> bytes = flashBytes(address, 4);
    written = flash.count(address / blockSize * blockSize) > 0;
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::vector<std::uint8_t> VirtualSensor::flashBytes(std::uint32_t address, std::size_t length) const
{
    std::vector<std::uint8_t> bytes(length, 0xFF);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        const auto block = flash.find(at / blockSize * blockSize);
        if (block != flash.end())
            bytes[i] = block->second[at % blockSize];
    }
    return bytes;
}

} // namespace sim
