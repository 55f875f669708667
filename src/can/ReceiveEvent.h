#pragma once

#include "can/PcanBasicTypes.h"

#include <chrono>
#include <memory>

namespace veldris {

class PCANBasicLibrary;
class StopSignal;

// Tells that frames arrived in a channel's receive queue. PCAN-Basic for Linux hands out a file
// descriptor that is readable while frames wait (CAN_GetValue(PCAN_RECEIVE_EVENT)); a library
// that takes the Windows-style registration instead (CAN_SetValue) gets an event descriptor of
// ours that it signals at every arrival. Without either there is no event, and waiting becomes
// a short sleep.
//
// Waiting never consumes the event, so any number of threads may wait on it at once and all
// wake. Our own descriptor stays signalled until the reader, having found the queue empty,
// rearms it (and then reads once more, for a frame that came in between).
class ReceiveEvent {
public:
    // The channel's event, or nullptr when the library offers none.
    static std::unique_ptr<ReceiveEvent> acquire(PCANBasicLibrary& library, pcan::Handle channel);
    ~ReceiveEvent();
    ReceiveEvent(const ReceiveEvent&) = delete;
    ReceiveEvent& operator=(const ReceiveEvent&) = delete;

    // Waits at most `timeout` for frames, or until `stop` is raised.
    void wait(std::chrono::microseconds timeout, const StopSignal& stop) const;

    // Resets our own descriptor after the queue was read empty; true when the caller must read
    // the queue once more before waiting. The library's own descriptor needs no rearming.
    bool rearm() const;

    int descriptor() const { return fd; }

private:
    ReceiveEvent(PCANBasicLibrary& library, pcan::Handle channel, int fd, bool registered);

    PCANBasicLibrary& library;
    pcan::Handle channel;
    int fd;
    bool registered; // our own descriptor, signalled once per arrival
};

// Sleeps `timeout`, at most 1 ms and no longer than `stop` stays down: the wait where no
// receive event exists.
void sleepForFrames(std::chrono::microseconds timeout, const StopSignal& stop);

} // namespace veldris
