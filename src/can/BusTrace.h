#pragma once

#include "can/CanFrame.h"

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>

namespace veldris {

// Records every frame the adapter driver writes and reads, with its time stamp, to the file
// chosen with --trace: "*.pcap" as a pcap capture of link type 227 (SocketCAN, identifier
// big-endian), anything else as a candump log. Written frames are stamped with the time they
// were written, read frames with the adapter's receive time stamp carried over to the same
// wall clock (adapters count from their own origin: the epoch, the host's start, the bus's
// start), so that requests and answers stay in order in one file. Thread-safe; the file is
// opened at the first frame and flushed after each one. The CAN client owns it and hands it to
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
    std::uint64_t wallTimeOf(std::uint64_t adapterMicros, std::uint64_t now);

    const std::string path;
    std::int64_t adapterOffset = 0; // wall clock minus adapter clock [µs]
    bool offsetKnown = false;       // a frame was read
    std::mutex mutex;
    std::ofstream out;
    bool pcap = false;
    bool opened = false;
};

} // namespace veldris
