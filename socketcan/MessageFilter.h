#pragma once

#include "can/PcanBasicTypes.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace socketcan {

// The acceptance filter of a channel, as PCAN-Basic keeps it: open (every frame), closed (none),
// or custom, ranges of standard and extended identifiers that CAN_FilterMessages adds one by one
// (the first range closes everything outside the ranges). Applied to received frames in the
// library, so that a socket pair filters as a CAN_RAW socket would.
class MessageFilter {
public:
    bool accepts(const pcan::Message& message) const;

    // PCAN_FILTER_OPEN or PCAN_FILTER_CLOSE; drops the ranges. False for another value.
    bool set(std::uint32_t state);
    std::uint32_t state() const { return current; }

    // False for an unknown mode or a reversed range.
    bool widen(std::uint32_t from, std::uint32_t to, std::uint8_t mode);

private:
    using Range = std::pair<std::uint32_t, std::uint32_t>;
    std::uint32_t current = pcan::filterOpen;
    std::vector<Range> standardRanges;
    std::vector<Range> extendedRanges;
};

} // namespace socketcan
