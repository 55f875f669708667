#pragma once

#include "can/AdapterNotifier.h"
#include "can/CanFrame.h"
#include "can/PCANBasicLibrary.h"
#include "can/ReceiveEvent.h"
#include "can/StopSignal.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace veldris {

class BusTrace;

// What the program hands every adapter driver: whom to tell when the library is missing, and
// the trace that records every frame (either may be empty).
struct AdapterHooks {
    AdapterNotifier notifier;
    std::shared_ptr<BusTrace> trace;
};

// The adapter driver: the PCAN-Basic binding, the table of attached channels and the receive-
// notification thread. Channels are addressed by their index in the table, never by a
// PCAN-Basic handle; an index the table does not hold is refused with 0x10000 and the library
// is not called. Used from one thread at a time: the CanOpenClient calls it only while it holds
// the bus for an exchange. The receive thread touches only its own event.
class PCANDriver {
public:
    using ReceiveHook = std::function<void(pcan::Message, pcan::Timestamp)>;

    explicit PCANDriver(AdapterHooks hooks = {}); // loads the library and lists the attached channels
    ~PCANDriver();                                // uninitialises the first attached channel, then releases the library
    PCANDriver(const PCANDriver&) = delete;
    PCANDriver& operator=(const PCANDriver&) = delete;

    std::uint32_t refreshChannels();
    std::uint32_t channelCount() const { return count; }

    pcan::Status initialize(std::uint32_t index, std::uint16_t btr0btr1, std::uint8_t type, std::uint32_t port,
                            std::uint16_t interrupt);
    // A frame off the receive queue; `destination` is only filled when the status is 0 and a
    // receive hook is installed.
    pcan::Status read(std::uint32_t index, CanFrame& destination);
    pcan::Status write(std::uint32_t index, const CanFrame& frame);
    pcan::Status reset(std::uint32_t index); // empties the receive and transmit queues
    // The library's English text for `status` (it may say what to do, e.g. how to set an
    // interface's bit rate); empty when the library has none.
    std::string errorText(pcan::Status status);

    void setReceiveHook(ReceiveHook hook) { receiveHook = std::move(hook); }

    bool startReceiveThread(std::uint32_t index);
    bool stopReceiveThread(); // returns at once: the thread also waits on a stop event

    // Waits at most `timeout` for frames on an initialised channel, or until `stop` is raised:
    // on its receive event, or by sleeping in steps of 1 ms where the library offers none.
    // Never spins. Call it after `read` found the queue empty and `rearmReceiveEvent` asked for
    // no further read.
    void waitForFrames(std::chrono::microseconds timeout, const StopSignal& stop) const;
    // True when the queue must be read once more before waiting (see ReceiveEvent::rearm).
    bool rearmReceiveEvent() const;

    // Receive threads running in the process, and how many ran when the last driver was
    // created, for tests.
    static int liveReceiveThreads();
    static int receiveThreadsWhenLastCreated();

private:
    bool handleOf(std::uint32_t index, pcan::Handle& handle) const;
    void receiveLoop();

    ReceiveHook receiveHook;
    std::shared_ptr<BusTrace> trace;
    std::uint32_t count = 0;
    PCANBasicLibrary library;
    std::vector<pcan::ChannelInformation> channels;
    std::unique_ptr<ReceiveEvent> event; // of the initialised channel
    std::atomic<bool> stopFlag{false};
    int stopEvent = -1;
    std::unique_ptr<std::thread> receiveThread;
};

} // namespace veldris
