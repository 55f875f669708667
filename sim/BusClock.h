#pragma once

#include "sim/SimFrame.h"

#include <chrono>

namespace sim {

// The bus's one clock: monotonic, counted in µs from the moment the bus started, so that the
// cyclic frames' schedules (exact multiples of their periods) do not follow the time of day.
// The wall-clock time of that moment is kept for the candump trace, whose readers expect
// time stamps since the Unix epoch.
class BusClock {
public:
    BusClock()
        : start(std::chrono::steady_clock::now()), epochAtStart(std::chrono::duration_cast<std::chrono::microseconds>(
                                                                    std::chrono::system_clock::now().time_since_epoch())
                                                                    .count())
    {
    }

    Micros now() const { return elapsed(std::chrono::steady_clock::now()); }

    std::chrono::steady_clock::time_point steadyAt(Micros t) const { return start + std::chrono::microseconds(t); }

    // Bus time 0 in µs since the Unix epoch.
    Micros epochMicrosAtStart() const { return epochAtStart; }

private:
    Micros elapsed(std::chrono::steady_clock::time_point t) const
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(t - start).count();
    }

    std::chrono::steady_clock::time_point start;
    Micros epochAtStart;
};

// How long a frame occupies the bus [µs] at `kbit`: the classic CAN frame's bits, worst-case
// bit stuffing over the stuffed part, then delimiters, ACK, end of frame and intermission.
Micros frameDuration(const Frame& frame, int kbit);

} // namespace sim
