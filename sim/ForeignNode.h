#pragma once

#include "sim/SimFrame.h"

#include <cstdint>

namespace sim {

// A node of the running machine that is not one of the sensors (scenario key traffic.N): one
// data frame on one standard identifier, due at every multiple of its period from bus time 0.
struct TrafficConfig {
    std::uint32_t id = 0;
    std::uint8_t length = 0;
    Micros period = 1000;
};

class ForeignNode {
public:
    explicit ForeignNode(const TrafficConfig& traffic) : config(traffic) {}

    Micros nextDue() const { return dueAt; }
    // The frame due now, stamped with its instant; its data is a count of the node's frames
    // (least significant byte first), so that every frame differs from the one before.
    Transmission take();

private:
    TrafficConfig config;
    Micros dueAt = 0;
    std::uint64_t count = 0;
};

} // namespace sim
