#pragma once

#include "can/CanFrame.h"

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>

namespace veldris {

// Records every frame the adapter driver writes and reads, with its time stamp, to the file
// chosen with --trace: "*.pcap" as a pcap capture of link type 227 (SocketCAN, identifier
// big-endian), "*.trc" as PEAK's trace format 2.1 (time offsets from the first frame, which the
// header dates in local time), anything else as a candump log. Written frames are stamped with the time they
// were written, read frames with the adapter's receive time stamp carried over to the same
// wall clock (adapters count from their own origin: the epoch, the host's start, the bus's
// start), so that requests and answers stay in order in one file. Thread-safe; the file is
// opened at the first frame and flushed after each one; a file that cannot be opened or written
// is reported once on standard error, and the trace ends there while the bus goes on. The CAN client owns it and hands it to
// each adapter driver it creates, so that one file holds the frames of every reconnect.
class BusTrace {
public:
    explicit BusTrace(std::string path) : path(std::move(path)) {}

    void record(const CanFrame& frame, bool received);

    // Formats, for tests.
    static std::string candumpRecord(const CanFrame& frame, std::uint64_t timestampUs);
    static std::string pcapFileHeader();
    static std::string pcapRecord(const CanFrame& frame, std::uint64_t timestampUs);

private:
    enum class Format { candump, pcap, trc };

    std::uint64_t wallTimeOf(std::uint64_t adapterMicros, std::uint64_t now);
    void open(std::uint64_t firstStamp);
    std::string entry(const CanFrame& frame, bool received, std::uint64_t stamp);

    const std::string path;
    std::int64_t adapterOffset = 0; // wall clock minus adapter clock [µs]
    bool offsetKnown = false;       // a frame was read
    std::mutex mutex;
    std::ofstream out;
    Format format = Format::candump;
    bool opened = false;
    std::uint64_t trcStart = 0;  // wall-clock time of the first frame [µs]
    std::uint64_t trcNumber = 0; // frames in the .trc file so far
};

} // namespace veldris
