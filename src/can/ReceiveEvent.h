#pragma once

#include "can/PcanBasicTypes.h"

#include <memory>

namespace veldris {

class PCANBasicLibrary;

// Tells that frames arrived in a channel's receive queue. PCAN-Basic for Linux hands out a file
// descriptor that is readable while frames wait (CAN_GetValue(PCAN_RECEIVE_EVENT)); a library
// that takes the Windows-style registration instead (CAN_SetValue) gets an event descriptor of
// ours that it signals at every arrival. Without either there is no event, and waiting becomes
// a short sleep.
class ReceiveEvent {
public:
    // The channel's event, or nullptr when the library offers none.
    static std::unique_ptr<ReceiveEvent> acquire(PCANBasicLibrary& library, pcan::Handle channel);
    ~ReceiveEvent();
    ReceiveEvent(const ReceiveEvent&) = delete;
    ReceiveEvent& operator=(const ReceiveEvent&) = delete;

    // Waits at most `timeoutMs` [ms] for frames; to be called after the queue was read empty.
    void wait(int timeoutMs);

    int descriptor() const { return fd; }

private:
    ReceiveEvent(PCANBasicLibrary& library, pcan::Handle channel, int fd, bool registered);

    PCANBasicLibrary& library;
    pcan::Handle channel;
    int fd;
    bool registered; // our own descriptor, signalled once per arrival and reset by wait()
};

// Sleeps `timeoutMs` [ms] at most 1 ms at a time: the wait where no receive event exists.
void sleepForFrames(int timeoutMs);

} // namespace veldris
