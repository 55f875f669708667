#include "sensor/SensorInfo.h"

#include <array>
#include <string_view>

namespace veldris {

std::uint8_t SensorInfo::node() const
{
    unsigned value = 0;
    std::size_t at = 0;
    while (at < nodeId.size() && nodeId[at] == ' ')
        ++at;
    for (; at < nodeId.size() && nodeId[at] >= '0' && nodeId[at] <= '9'; ++at) {
        value = value * 10 + static_cast<unsigned>(nodeId[at] - '0');
        if (value > 127)
            return 0;
    }
    return static_cast<std::uint8_t>(value);
}

bool isListedUid(const std::string& uid)
{
    constexpr std::array<std::string_view, 3> listed = {"0x06102000", "0x06102100", "0x06102200"};
    for (std::string_view entry : listed)
        if (uid == entry)
            return true;
    return false;
}

int variantCodeOf(const std::string& uid)
{
    if (uid.size() < 8)
        return 0;
    const char digit = uid[7];
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return 0;
}

} // namespace veldris
