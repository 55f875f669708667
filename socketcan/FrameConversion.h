#pragma once

#include "can/PcanBasicTypes.h"

#include <linux/can.h>

#include <cstdint>

namespace socketcan {

// A received classic CAN frame as PCAN-Basic's message record: identifier without flags,
// message type standard / RTR / extended, length (at most 8), data bytes.
pcan::Message messageOf(const can_frame& frame);

// The frame a message record puts on the bus; false for a record no classic CAN bus can carry
// (length over 8, identifier out of range, FD or status message types).
bool frameOf(const pcan::Message& message, can_frame& frame);

// PCAN-Basic's time stamp of a moment given in µs since the Unix epoch: milliseconds in two
// parts (32 bits and their overflow) and the microseconds 0..999 beyond them.
pcan::Timestamp timestampOf(std::int64_t microsSinceEpoch);

} // namespace socketcan
