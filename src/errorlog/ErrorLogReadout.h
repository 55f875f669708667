#pragma once

#include "errorlog/ErrorLogDescriptor.h"
#include "errorlog/ErrorLogStatus.h"
#include "sensor/SensorInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;
class Progress;

// The sensor's 256-byte memory blocks first..end-1, read through objects 0x2800 + block with
// the byte offset as sub-index, four bytes per expedited upload (time-out 100 ms). A read that
// is not answered with four bytes is tried once more; if that fails too, its four bytes are
// filled with 0xFF (erased flash) so that every later byte keeps its place, and it is counted.
// After `silentWordLimit` words in a row without any answer the sensor is taken to have stopped
// answering (left the bus, lost power): the readout ends there, without the bytes of those
// words. A request the adapter refuses, or the bus held by another operation, ends it at once.
inline constexpr std::uint32_t silentWordLimit = 16;
struct VendorPages {
    std::vector<std::uint8_t> bytes; // 256 per block (less when stopped or silent)
    std::uint32_t unreadWords = 0;
    std::optional<std::uint32_t> silentFrom; // memory address of the first of the silent words
    std::string refused;                     // a request could not go out (bus off, bus busy): why
    bool stopped = false;
};

VendorPages readVendorPages(CanOpenClient& client, std::uint8_t node, int firstBlock, int endBlock, Progress& progress);

// The error log read out of a sensor: its description and its memory, ready for the image of
// an ErrorLog. Nothing is sent when the sensor is not described or its identity is incomplete.
struct ErrorLogReadout {
    ErrorLogStatus status = ErrorLogStatus::Ok; // of the description file
    std::string refusal;                        // why nothing was sent when no description status applies
    std::string problem;                        // the description's problem in detail
    ErrorLogDescriptor descriptor;
    std::vector<std::uint8_t> memory;
    std::uint32_t unreadWords = 0;
    std::optional<std::uint32_t> silentFrom; // the sensor stopped answering at this address
    std::string refused;                     // the adapter stopped taking requests: why
    bool stopped = false;

    bool complete() const { return !silentFrom && refused.empty() && !stopped; }
    // Why the log ended before its end: "the sensor stopped answering at address 0x00001040", or
    // the adapter's refusal ("node 5 could not be asked for 0x2810:04: the adapter refused the
    // request (status 0x00010 (bus off))"); empty when it did not.
    std::string incompleteReason() const;
};

// Reads the error log of `sensor` as the description file at `descriptionPath` describes its
// model; the percentage follows the blocks read. A stop ends it at a frame boundary.
ErrorLogReadout readErrorLog(CanOpenClient& client, const SensorInfo& sensor, const std::string& descriptionPath,
                             Progress& progress);

// Why the error log of `sensor` cannot be read at all (no sensor connected, identity texts that
// are no numbers); empty when it can. English; the window translates it.
std::string identityProblem(const SensorInfo& sensor);

} // namespace veldris
