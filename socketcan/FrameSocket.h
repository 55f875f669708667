#pragma once

#include <linux/can.h>

#include <cstdint>
#include <memory>
#include <string>

namespace socketcan {

// A descriptor that carries whole `struct can_frame` records: a CAN_RAW socket bound to an
// interface, or (for tests) one end of an AF_UNIX SOCK_SEQPACKET pair. Everything above it runs
// the same code for both. It owns its descriptor; sends and receives never block (MSG_DONTWAIT,
// so that the file status flags, shared with any other descriptor of the socket, stay as
// they are). Asks the kernel for receive time stamps (SO_TIMESTAMP).
class FrameSocket {
public:
    enum class Received {
        Frame,   // `frame` and `micros` are filled
        Empty,   // nothing waits
        Failed,  // the socket reported an error (its errno in `error`)
        Ignored, // a record that is not a classic CAN frame: skip it
    };

    explicit FrameSocket(int ownedDescriptor);
    ~FrameSocket();
    FrameSocket(const FrameSocket&) = delete;
    FrameSocket& operator=(const FrameSocket&) = delete;

    // Readable while frames wait: the receive event handed to the program.
    int descriptor() const { return fd; }

    // 0 when the frame was queued for the bus, else the errno of the refusal.
    int send(const can_frame& frame) const;

    // One record off the socket; `micros` is its kernel receive time [µs since the epoch], or
    // the clock's time now where the kernel gave none.
    Received receive(can_frame& frame, std::int64_t& micros, int& error) const;

private:
    int fd;
};

// A FrameSocket on a duplicate of an already open descriptor (the caller keeps its own);
// nullptr and a message when the descriptor is not open.
std::unique_ptr<FrameSocket> adoptDescriptor(int descriptor, std::string& message);

} // namespace socketcan
