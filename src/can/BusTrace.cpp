#include "can/BusTrace.h"

#include "can/CandumpLine.h"
#include "can/TrcFormat.h"
#include "common/Log.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>

namespace veldris {

namespace {

constexpr std::uint32_t linkTypeSocketCan = 227;
constexpr std::uint32_t extendedFlag = 0x80000000u;
constexpr std::uint32_t remoteFlag = 0x40000000u;

std::uint64_t nowMicros()
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

void putLittle(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
}

bool isExtended(const CanFrame& frame)
{
    return frame.messageType & pcan::messageExtended;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

std::string BusTrace::candumpRecord(const CanFrame& frame, std::uint64_t timestampUs)
{
    const bool remote = frame.messageType & pcan::messageRtr;
    return candumpLine(timestampUs, "can0", frame.identifier, isExtended(frame), frame.data,
                       remote ? 0 : std::min<unsigned>(frame.length, 8))
         + (remote ? "R" : "");
}

std::string BusTrace::pcapFileHeader()
{
    std::string header;
    putLittle(header, 0xA1B2C3D4u, 4); // microsecond time stamps
    putLittle(header, 2, 2);
    putLittle(header, 4, 2);
    putLittle(header, 0, 4); // time zone
    putLittle(header, 0, 4); // accuracy
    putLittle(header, 65535, 4);
    putLittle(header, linkTypeSocketCan, 4);
    return header;
}

std::string BusTrace::pcapRecord(const CanFrame& frame, std::uint64_t timestampUs)
{
    std::string record;
    putLittle(record, static_cast<std::uint32_t>(timestampUs / 1000000), 4);
    putLittle(record, static_cast<std::uint32_t>(timestampUs % 1000000), 4);
    putLittle(record, 16, 4);
    putLittle(record, 16, 4);
    std::uint32_t id = frame.identifier & (isExtended(frame) ? 0x1FFFFFFFu : 0x7FFu);
    if (isExtended(frame))
        id |= extendedFlag;
    if (frame.messageType & pcan::messageRtr)
        id |= remoteFlag;
    for (int shift = 24; shift >= 0; shift -= 8) // SocketCAN's identifier word is big-endian here
        record += static_cast<char>(id >> shift);
    const std::uint8_t length = std::min<std::uint8_t>(frame.length, 8);
    record += static_cast<char>(length);
    record.append(3, '\0'); // FD flags, reserved
    record.append(reinterpret_cast<const char*>(frame.data), 8);
    return record;
}

// A frame is read a moment after it came, never before: the smallest difference between the
// wall clock and an adapter stamp seen so far is the best estimate of the clocks' offset, and
// no frame is placed after the moment it was read. An adapter whose clock starts anew (a
// re-initialised channel) makes the difference jump by more than any queue delay, and the
// offset is taken again.
std::uint64_t BusTrace::wallTimeOf(std::uint64_t adapterMicros, std::uint64_t now)
{
    constexpr std::int64_t restartJump = 10'000'000;
    const std::int64_t difference = static_cast<std::int64_t>(now - adapterMicros);
    if (!offsetKnown || difference < adapterOffset || difference - adapterOffset > restartJump)
        adapterOffset = difference;
    offsetKnown = true;
    return adapterMicros + static_cast<std::uint64_t>(adapterOffset);
}

void BusTrace::open(std::uint64_t firstStamp)
{
    opened = true;
    format = endsWith(path, ".pcap") ? Format::pcap : endsWith(path, ".trc") ? Format::trc : Format::candump;
    out.open(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        logLine("cannot write the bus trace " + path, LogStream::Error);
        return;
    }
    if (format == Format::pcap)
        out << pcapFileHeader();
    if (format == Format::trc) {
        trcStart = firstStamp;
        out << trc::header(path, firstStamp, trc::localUtcOffsetSeconds(firstStamp));
    }
}

std::string BusTrace::entry(const CanFrame& frame, bool received, std::uint64_t stamp)
{
    switch (format) {
    case Format::pcap: return pcapRecord(frame, stamp);
    case Format::trc: {
        const std::string line = trc::record(frame, received, trcNumber + 1, static_cast<std::int64_t>(stamp - trcStart));
        if (line.empty())
            return line;
        ++trcNumber;
        return line + "\r\n";
    }
    case Format::candump: break;
    }
    return candumpRecord(frame, stamp) + '\n';
}

void BusTrace::record(const CanFrame& frame, bool received)
{
    std::lock_guard lock(mutex);
    const std::uint64_t now = nowMicros();
    const std::uint64_t stamp = received ? wallTimeOf(frame.timestampMicros(), now) : now;
    if (!opened)
        open(stamp);
    if (!out)
        return;
    out << entry(frame, received, stamp);
    out.flush();
    if (!out) // a full disk or a removed medium: said once, since nothing more reaches the file
        logLine("writing the bus trace " + path + " failed; it ends here", LogStream::Error);
}

} // namespace veldris
