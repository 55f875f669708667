#pragma once

#include <cstdint>

namespace socketcan {

// The bit rate [bit/s] that a BTR0/BTR1 code of CAN_Initialize sets on an SJA1000 controller
// clocked at 16 MHz: BTR0 holds the prescaler (bits 0..5), BTR1 the two time segments (bits
// 0..3 and 4..6); the synchronisation jump width and the sampling mode do not change the rate.
std::uint32_t bitrateOfBtr0Btr1(std::uint16_t btr0btr1);

} // namespace socketcan
