#pragma once

#include "can/PcanBasicTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace veldris {

// The frame record of every bus operation: PCAN-Basic's message record followed by its receive
// time stamp, so that the first 16 bytes go to the library's write call as they stand.
struct CanFrame {
    std::uint32_t identifier = 0; // 11-bit identifiers: function code in bits 7..10, node ID in 0..6
    std::uint8_t messageType = 0; // PCAN-Basic message type; 0 = standard data frame
    std::uint8_t length = 0;      // 0..8
    std::uint8_t data[8] = {};
    std::uint8_t padding[2] = {};
    std::uint32_t milliseconds = 0; // receive time stamp [ms]
    std::uint16_t millisecondOverflow = 0;
    std::uint16_t microseconds = 0; // 0..999

    pcan::Message message() const
    {
        pcan::Message m{};
        std::memcpy(&m, this, sizeof m);
        return m;
    }

    void setMessage(const pcan::Message& m) { std::memcpy(this, &m, sizeof m); }

    void setTimestamp(const pcan::Timestamp& t)
    {
        milliseconds = t.millis;
        millisecondOverflow = t.millisOverflow;
        microseconds = t.micros;
    }

    // The 32-bit value of an SDO answer: data bytes 4..7, least significant first, whatever the
    // command byte says about its size.
    std::uint32_t value() const
    {
        return static_cast<std::uint32_t>(data[4] | data[5] << 8 | data[6] << 16) | static_cast<std::uint32_t>(data[7]) << 24;
    }

    // The receive time [µs] since the library's epoch.
    std::uint64_t timestampMicros() const
    {
        return microseconds + 1000ull * (milliseconds + (static_cast<std::uint64_t>(millisecondOverflow) << 32));
    }
};

static_assert(sizeof(CanFrame) == 24);
static_assert(offsetof(CanFrame, data) == 6 && offsetof(CanFrame, milliseconds) == 16);
static_assert(offsetof(CanFrame, millisecondOverflow) == 20 && offsetof(CanFrame, microseconds) == 22);

} // namespace veldris
