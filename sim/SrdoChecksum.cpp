#include "sim/SrdoChecksum.h"

namespace sim {

namespace {

struct Crc {
    std::uint16_t value = 0;

    void feed(std::uint8_t byte)
    {
        value ^= static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            value = static_cast<std::uint16_t>(value & 0x8000 ? (value << 1) ^ 0x1021 : value << 1);
    }

    void feed(std::uint32_t word, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            feed(static_cast<std::uint8_t>(word >> (8 * i)));
    }
};

} // namespace

std::uint16_t srdoChecksum(const std::uint32_t (&values)[8])
{
    // Field widths in bytes; a value that does not fit its field ends the checksum.
    constexpr int widths[8] = {1, 2, 1, 4, 4, 1, 4, 4};
    Crc crc;
    for (int i = 0; i < 8; ++i) {
        if (widths[i] < 4 && values[i] >> (8 * widths[i]) != 0)
            return crc.value;
        if (i >= 6)
            crc.feed(static_cast<std::uint8_t>(i - 5)); // the mapping entry's sub-index
        crc.feed(values[i], widths[i]);
    }
    return crc.value;
}

} // namespace sim
