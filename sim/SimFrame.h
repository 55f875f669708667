#pragma once

#include <cstdint>
#include <limits>

// The simulated CAN bus: plain frames and bus time.
namespace sim {

// Bus time [µs] since the bus started, from one monotonic clock.
using Micros = std::int64_t;
inline constexpr Micros never = std::numeric_limits<Micros>::max();
inline constexpr Micros millis(std::int64_t ms)
{
    return ms * 1000;
}

struct Frame {
    std::uint32_t id = 0;
    std::uint8_t length = 0;
    std::uint8_t data[8] = {};
    bool extended = false;
    bool remote = false;
};

// A frame a node wants on the bus, and the moment it wants it there. For cyclic frames that is
// the scheduled instant; the frame keeps it as its time stamp however late it gets the bus.
struct Transmission {
    Frame frame;
    Micros at = 0;
};

} // namespace sim
