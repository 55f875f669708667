#pragma once

#include "can/CanFrame.h"
#include "can/PCANDriver.h"
#include "can/StopSignal.h"
#include "canopen/BusLease.h"
#include "common/TimedLock.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace veldris {

// How one exchange on the bus ended.
enum class ExchangeStatus {
    Answered,     // the matching answer came
    NoAnswer,     // the time-out passed without it
    WriteRefused, // the adapter did not take the request frame (its status is in the diagnostic log)
    Busy,         // another holder leases the bus, or another thread's exchange held it past the
                  // time-out; nothing was sent
    Stopped,      // a stop was requested before or during the wait
};

struct Exchange {
    ExchangeStatus status = ExchangeStatus::NoAnswer;
    CanFrame answer;                       // an empty frame (all 0) unless answered
    pcan::Status adapterStatus = pcan::ok; // of a refused write

    bool answered() const { return status == ExchangeStatus::Answered; }
};

// The program's CANopen client: one request frame out, the matching answer back, over the
// adapter driver it owns and replaces at every bus open. Nothing here throws.
//
// Threads: every exchange (queue reset, write, wait for the answer), every read of the queue
// and every reconnection holds the bus alone, so that exchanges of several threads never
// interleave. An exchange's time-out counts from its call, the wait for another thread's
// exchange included, so that no request ends much later than its caller asked for. A
// procedure that must not be interleaved at all takes a lease (tryLease) for its whole run;
// while a lease is held, every other caller is refused at once (Busy) and never reaches the
// bus. A raised stop ends every wait and pause of the bus path at once and refuses
// every later exchange, until it is cleared.
class CanOpenClient {
public:
    // Creates the first driver, which loads the library; `hooks` go to every driver.
    explicit CanOpenClient(AdapterHooks hooks = {});
    ~CanOpenClient(); // stops the receive thread, then destroys the driver

    // Stores the channel index, re-creates the driver and opens the channel at the bit rate. False
    // when an index is negative ("Bitrate not set!"), the channel did not open, or another
    // holder leases the bus (nothing is changed then).
    bool connectAdapter(std::int32_t channelIndex, std::int32_t bitrateIndex);
    bool adapterOpen() const { return opened.load(); }

    // Sends `requestFrame` and waits at most `timeoutMs` [ms] for its answer. Frames that were
    // waiting before the request are discarded.
    Exchange exchange(const CanFrame& requestFrame, std::uint32_t timeoutMs);

    // For bootloader commands: the first frame on identifier 0x7F answers.
    Exchange bootloaderExchange(const CanFrame& requestFrame, std::uint32_t timeoutMs);

    // For the segments of an SDO transfer, which carry no index: the first frame of the
    // addressed node's SDO server (0x580 + node) answers.
    Exchange segmentExchange(const CanFrame& requestFrame, std::uint32_t timeoutMs);

    // Writes one frame without waiting for anything and without emptying the queues (a client
    // abort, or the probes of a scan whose answers are read afterwards): NoAnswer once written,
    // else WriteRefused, Busy or Stopped as for an exchange.
    Exchange send(const CanFrame& frame);

    // Sleeps until a frame waits in the queue, `deadline` passes or a stop is raised; false only
    // when stopped. Does not hold the bus while it sleeps.
    bool waitForFrames(std::chrono::steady_clock::time_point deadline);

    // The bit rate [kbit/s] the adapter was last opened at; 0 before.
    std::uint32_t openedKbit() const { return kbit.load(); }

    // At most one frame off the queue, without waiting; identifier, length, data and time
    // stamp 0 when none was there.
    CanFrame& readFrame(CanFrame& frame);
    // Every frame waiting in the queue, oldest first, without waiting for more; at most `limit`,
    // so that a bus busier than the reads still lets the caller go on.
    std::vector<CanFrame> readWaitingFrames(std::size_t limit = 4096);
    // Discards every frame waiting in the queue.
    void drainReceiveQueue();

    // The bus for the calling thread alone until the lease ends; an empty lease while any
    // lease is held.
    BusLease tryLease();

    // Stops whatever waits on the bus (see StopSignal); the stop stays until cleared.
    void requestStop() { stop.raise(); }
    void clearStop() { stop.clear(); }
    bool stopRequested() const { return stop.raised(); }
    StopSignal& stopSignal() { return stop; }
    // A fixed wait of the bus path (the sensor's settling times); false when it was stopped.
    bool pause(std::chrono::milliseconds duration) const { return stop.sleepFor(duration); }

private:
    friend class BusLease;
    enum class Match { Request, Bootloader, SdoServer };

    using Clock = std::chrono::steady_clock;

    static bool matches(Match match, const CanFrame& received, const CanFrame& request);
    Exchange exchangeMatching(const CanFrame& requestFrame, std::uint32_t timeoutMs, Match match);
    bool mayUseBus() const;
    std::unique_lock<TimedLock> holdBus(Clock::time_point deadline = Clock::time_point::max());
    void noteWrite(const CanFrame& frame, pcan::Status status);
    void adoptLease();
    void releaseLease();
    ExchangeStatus run(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs, Match match,
                       pcan::Status& adapterStatus);
    ExchangeStatus awaitAnswer(CanFrame& response, const CanFrame& requestFrame, Clock::time_point deadline, Match match,
                               pcan::Status& adapterStatus);
    bool readOne(CanFrame& frame);

    const AdapterHooks hooks;
    TimedLock busLock; // held for one exchange, one read of the queue or one reconnection
    std::atomic<std::thread::id> holder{};
    StopSignal stop;
    std::unique_ptr<PCANDriver> adapter; // used only while busLock is held
    std::atomic<std::int32_t> channel{-1};
    std::atomic<bool> opened{false};
    std::atomic<std::uint32_t> kbit{0};
    pcan::Status lastWriteStatus = pcan::ok; // guarded by busLock
};

// Whether `answer` answers `request`: an SDO request (0x600 + node) only by an SDO response of
// the same node (0x580 + node); any other request by a frame whose identifier has the same
// low 7 bits; in both cases with data bytes 1..3 (index and sub-index) equal.
bool answersRequest(const CanFrame& answer, const CanFrame& request);

} // namespace veldris
