// Segmented SDO transfers (CiA 301) of the simulated sensor's string objects: the initiate of
// an upload or download and the segments that follow, seven data bytes each, with the toggle
// bit alternating from 0. Values of up to four bytes go expedited, as a real server sends them.

#include "sim/VirtualSensor.h"

#include "sim/SdoAnswers.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t toggleBit = 0x10;
constexpr std::uint8_t lastSegment = 0x01;
constexpr std::size_t segmentBytes = 7;

// Bytes 4..7 of an initiate: an expedited value or a size, least significant byte first.
std::uint32_t initiateData(const Frame& frame)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(frame.data[4 + i]) << (8 * i);
    return value;
}

} // namespace

void VirtualSensor::abortTransfer(std::uint32_t code, Micros now, std::vector<Transmission>& out)
{
    sendAnswer(out, sdoFrame(node, 0x80, transfer.index, transfer.sub, code), now);
    transfer = {};
}

void VirtualSensor::initiateStringUpload(std::uint16_t index, std::uint8_t sub, const StringEntry& entry, Micros now,
                                         std::vector<Transmission>& out)
{
    const std::size_t size = entry.active.size();
    if (size >= 1 && size <= 4) {
        Frame answer = sdoFrame(node, static_cast<std::uint8_t>(0x43 | (4 - size) << 2), index, sub, 0);
        std::copy(entry.active.begin(), entry.active.end(), answer.data + 4);
        return sendAnswer(out, answer, now);
    }
    // Longer and empty values: segmented, the size indicated.
    transfer = {SdoTransfer::Direction::Upload, index, sub, entry.active, 0, 0x00, 0, std::nullopt};
    sendAnswer(out, sdoFrame(node, 0x41, index, sub, static_cast<std::uint32_t>(size)), now);
}

// An upload segment request (0x60, 0x70) is answered with the next seven bytes at most.
void VirtualSensor::uploadSegment(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    if (transfer.direction != SdoTransfer::Direction::Upload)
        return abortTransfer(abortCommand, now, out);
    const std::uint8_t toggle = frame.data[0] & toggleBit;
    if (toggle != transfer.toggle)
        return abortTransfer(abortToggle, now, out);
    const std::size_t count = std::min(segmentBytes, transfer.data.size() - transfer.offset);
    const bool last = transfer.offset + count == transfer.data.size();
    // The fault: a server that fails to alternate its toggle bit in the second segment.
    const bool wrongToggle = setup.faults.sdoToggleError && transfer.segmentsSent == 1;
    Frame answer = sdoFrame(node, 0, 0, 0, 0);
    answer.data[0] = static_cast<std::uint8_t>((wrongToggle ? toggle ^ toggleBit : toggle) | (segmentBytes - count) << 1
                                               | (last ? lastSegment : 0));
    std::copy_n(transfer.data.begin() + static_cast<std::ptrdiff_t>(transfer.offset), count, answer.data + 1);
    sendAnswer(out, answer, now);
    transfer.offset += count;
    transfer.toggle ^= toggleBit;
    ++transfer.segmentsSent;
    if (last)
        transfer = {};
}

void VirtualSensor::initiateStringDownload(const Frame& frame, StringEntry& entry, Micros now, std::vector<Transmission>& out)
{
    const std::uint8_t command = frame.data[0];
    const auto index = static_cast<std::uint16_t>(frame.data[1] | frame.data[2] << 8);
    const std::uint8_t sub = frame.data[3];
    transfer = {SdoTransfer::Direction::Download, index, sub, {}, 0, 0x00, 0, std::nullopt};
    if (entry.access == Access::ReadOnly)
        return abortTransfer(abortReadOnly, now, out);
    const bool sizeIndicated = command & 0x01;
    if (command & 0x02) { // expedited: the value is in this frame
        const std::size_t size = sizeIndicated ? 4 - (command >> 2 & 0x03) : 4;
        entry.active.assign(frame.data + 4, frame.data + 4 + size);
        transfer = {};
        return sendAnswer(out, sdoFrame(node, 0x60, index, sub, 0), now);
    }
    if (sizeIndicated) {
        transfer.indicatedSize = initiateData(frame);
        if (*transfer.indicatedSize > entry.maxLength)
            return abortTransfer(abortTooLong, now, out);
    }
    sendAnswer(out, sdoFrame(node, 0x60, index, sub, 0), now);
}

// A download segment (0x00..0x1F: toggle, unused bytes, last) is confirmed with 0x20 | toggle;
// the value changes only when the last segment came and the size is right.
void VirtualSensor::downloadSegment(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    if (transfer.direction != SdoTransfer::Direction::Download)
        return abortTransfer(abortCommand, now, out);
    const std::uint8_t command = frame.data[0];
    const std::uint8_t toggle = command & toggleBit;
    if (toggle != transfer.toggle)
        return abortTransfer(abortToggle, now, out);
    StringEntry* entry = dictionary.findString(transfer.index, transfer.sub);
    const std::size_t count = segmentBytes - (command >> 1 & 0x07);
    transfer.data.append(frame.data + 1, frame.data + 1 + count);
    if (!entry || transfer.data.size() > entry->maxLength)
        return abortTransfer(abortTooLong, now, out);
    const Frame confirm = sdoFrame(node, static_cast<std::uint8_t>(0x20 | toggle), 0, 0, 0);
    if (!(command & lastSegment)) {
        transfer.toggle ^= toggleBit;
        return sendAnswer(out, confirm, now);
    }
    if (transfer.indicatedSize && *transfer.indicatedSize != transfer.data.size())
        return abortTransfer(abortLength, now, out);
    entry->active = transfer.data;
    transfer = {};
    sendAnswer(out, confirm, now);
}

} // namespace sim
