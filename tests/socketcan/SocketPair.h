#pragma once

#include <linux/can.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

// A socket pair that carries can_frame records as a CAN_RAW socket does: `library` is the end
// named to the library in VELDRIS_SOCKETCAN ("fd:N"), `peer` the bus side the test drives.
struct SocketPair {
    SocketPair() { ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends); }
    ~SocketPair()
    {
        closePeer();
        ::close(ends[0]);
    }

    int library() const { return ends[0]; }
    int peer() const { return ends[1]; }
    std::string entry() const { return "fd:" + std::to_string(library()); }
    bool send(const can_frame& frame) const { return ::send(peer(), &frame, sizeof frame, 0) == sizeof frame; }
    // The next record the library wrote; false when none waits.
    bool receive(can_frame& frame) const { return ::recv(peer(), &frame, sizeof frame, MSG_DONTWAIT) == sizeof frame; }
    void closePeer()
    {
        if (ends[1] >= 0)
            ::close(std::exchange(ends[1], -1));
    }

    int ends[2] = {-1, -1};
};

inline can_frame canFrame(canid_t id, std::initializer_list<std::uint8_t> bytes)
{
    can_frame frame{};
    frame.can_id = id;
    for (std::uint8_t byte : bytes)
        frame.data[frame.len++] = byte;
    return frame;
}

// µs since the Unix epoch, as PCAN-Basic for Linux stamps frames.
inline std::uint64_t epochMicros()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}
