#pragma once

#include "can/PcanBasicTypes.h"

#include <array>
#include <cstdint>

namespace veldris {

// One of the six bus bit rates the program offers. The index is the position in the bit-rate
// combo boxes and the adapter's bit-rate index; the caption is never translated.
struct Bitrate {
    int index;
    std::uint16_t kbit;     // [kbit/s], also the value written to the sensor's 0x2001:00
    std::uint16_t btr0btr1; // code passed to CAN_Initialize
    const char* caption;
};

inline constexpr std::array<Bitrate, 6> bitrates = {{
    {0, 1000, pcan::baud1M, "1 MBit/s"},
    {1, 500, pcan::baud500K, "500 kBit/s"},
    {2, 250, pcan::baud250K, "250 kBit/s"},
    {3, 125, pcan::baud125K, "125 kBit/s"},
    {4, 50, pcan::baud50K, "50 kBit/s"},
    {5, 20, pcan::baud20K, "20 kBit/s"},
}};

inline constexpr int defaultBitrateIndex = 3; // 125 kBit/s

// The entry of a bit-rate index; nullptr outside 0..5.
constexpr const Bitrate* bitrateAt(int index)
{
    return index >= 0 && index < static_cast<int>(bitrates.size()) ? &bitrates[static_cast<std::size_t>(index)] : nullptr;
}

// The BTR0/BTR1 code and the kbit/s of a bit-rate index; 0 for any index outside 0..5.
constexpr std::uint16_t bitrateCode(int index)
{
    return bitrateAt(index) ? bitrateAt(index)->btr0btr1 : 0;
}

constexpr std::uint16_t bitrateKbit(int index)
{
    return bitrateAt(index) ? bitrateAt(index)->kbit : 0;
}

// The index of a bit rate given in kbit/s; -1 for a rate the program does not offer.
constexpr int bitrateIndexOfKbit(int kbit)
{
    for (const Bitrate& rate : bitrates)
        if (rate.kbit == kbit)
            return rate.index;
    return -1;
}

} // namespace veldris
