#pragma once

#include "can/PcanBasicTypes.h"
#include "socketcan/FrameSocket.h"
#include "socketcan/MessageFilter.h"
#include "socketcan/SendStatus.h"

#include <memory>
#include <string>

namespace socketcan {

// An initialised channel: its socket, the bus state its error frames left and its acceptance
// filter. The receive queue is the socket's own; error frames in it are taken as state changes
// and never delivered. Not thread-safe: OpenChannels serialises the calls.
class Channel {
public:
    Channel(std::string name, std::unique_ptr<FrameSocket> socket, pcan::Status busState);

    const std::string& name() const { return interface; }

    // The next accepted data frame and its receive time stamp; PCAN_ERROR_QRCVEMPTY, records
    // untouched, when none waits; the status of the socket's error when it reports one.
    pcan::Status read(pcan::Message& message, pcan::Timestamp* timestamp);

    // Queues the frame for the bus; refused while the controller is bus-off.
    Refusal write(const pcan::Message& message);

    // Empties the receive queue without blocking (error frames still change the bus state).
    void reset();

    pcan::Status status() const { return busState; }
    int eventDescriptor() const { return socket->descriptor(); }
    MessageFilter& filter() { return acceptance; }

private:
    std::string interface;
    std::unique_ptr<FrameSocket> socket;
    pcan::Status busState;
    MessageFilter acceptance;
};

} // namespace socketcan
