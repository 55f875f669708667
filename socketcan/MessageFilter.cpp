#include "socketcan/MessageFilter.h"

namespace socketcan {

bool MessageFilter::accepts(const pcan::Message& message) const
{
    if (current != pcan::filterCustom)
        return current == pcan::filterOpen;
    const auto& ranges = message.messageType & pcan::messageExtended ? extendedRanges : standardRanges;
    for (const auto& [from, to] : ranges)
        if (message.id >= from && message.id <= to)
            return true;
    return false;
}

bool MessageFilter::set(std::uint32_t state)
{
    if (state != pcan::filterOpen && state != pcan::filterClose)
        return false;
    current = state;
    standardRanges.clear();
    extendedRanges.clear();
    return true;
}

bool MessageFilter::widen(std::uint32_t from, std::uint32_t to, std::uint8_t mode)
{
    if ((mode != pcan::modeStandard && mode != pcan::modeExtended) || from > to)
        return false;
    if (current != pcan::filterCustom) {
        standardRanges.clear();
        extendedRanges.clear();
        current = pcan::filterCustom;
    }
    (mode == pcan::modeExtended ? extendedRanges : standardRanges).emplace_back(from, to);
    return true;
}

} // namespace socketcan
