#include "socketcan/BtrBitrate.h"

namespace socketcan {

std::uint32_t bitrateOfBtr0Btr1(std::uint16_t btr0btr1)
{
    constexpr std::uint32_t controllerClock = 16'000'000;
    const std::uint32_t btr0 = btr0btr1 >> 8;
    const std::uint32_t btr1 = btr0btr1 & 0xFFu;
    const std::uint32_t prescaler = (btr0 & 0x3Fu) + 1;
    const std::uint32_t segment1 = (btr1 & 0x0Fu) + 1;
    const std::uint32_t segment2 = ((btr1 >> 4) & 0x07u) + 1;
    const std::uint32_t quantaPerBit = 1 + segment1 + segment2; // the sync segment is one quantum
    return controllerClock / (2 * prescaler * quantaPerBit);
}

} // namespace socketcan
