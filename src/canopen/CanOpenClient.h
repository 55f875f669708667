#pragma once

#include "can/CanFrame.h"
#include "can/PCANDriver.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veldris {

// The program's CANopen client: one request frame out, the matching answer back, over the
// adapter driver it owns and replaces at every bus open. Used from one thread at a time.
// Nothing here throws except the node-text conversion of readVendorPages.
class CanOpenClient {
public:
    CanOpenClient();  // creates the first driver, which loads the library
    ~CanOpenClient(); // stops the receive thread, then destroys the driver

    // Re-creates the driver and opens channel `channelIndex` at `bitrateIndex` (both set by
    // openBus). False when the bit rate or channel is not set or the channel did not open.
    bool connectAdapter();

    // Sends `requestFrame` and waits at most `timeoutMs` [ms] for its answer. Frames that were
    // waiting before the request are discarded. Without an answer, the data bytes and the
    // time stamp's millisecond and microsecond fields of `response` are 0.
    CanFrame& request(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs);
    // The same for bootloader commands: the first frame on identifier 0x7F answers; the
    // response's data bytes are not cleared before the wait.
    CanFrame& requestBootloader(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs);

    // At most one frame off the queue, without waiting; identifier, length, data and time
    // stamp 0 when none was there.
    CanFrame& readFrame(CanFrame& frame);
    // Discards every frame waiting in the queue.
    void drainReceiveQueue();

    // Reads the sensor's 256-byte memory pages first..end-1 through objects 0x2800 + page,
    // four bytes per upload (time-out 100 ms each); an upload not answered with 0x43 adds
    // nothing. Throws on a node text without digits.
    void readVendorPages(std::vector<std::uint8_t>& words, const std::string& nodeText, int firstPage, int endPage);

    PCANDriver* driver() { return adapter.get(); }
    bool adapterOpen() const { return opened; }

    std::int32_t channelIndex = -1;
    std::int32_t bitrateIndex = -1;

private:
    enum class Match { Request, Bootloader };
    bool awaitAnswer(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs, Match match);

    std::unique_ptr<PCANDriver> adapter;
    bool opened = false;
};

// Whether `answer` answers `request`: an SDO request (0x600 + node) only by an SDO response of
// the same node (0x580 + node); any other request by a frame whose identifier has the same
// low 7 bits; in both cases with data bytes 1..3 (index and sub-index) equal.
bool answersRequest(const CanFrame& answer, const CanFrame& request);

// The one client of the program, created at its first use (after the application object).
CanOpenClient& canOpenClient();

// The BTR0/BTR1 code of a bit-rate index 0..5; 0 for any other index.
std::uint16_t bitrateCode(int bitrateIndex);

} // namespace veldris
