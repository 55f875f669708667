#include "common/Crc16.h"

#include <array>

namespace veldris {

namespace {

// Entry i: the register after shifting i << 8 through the polynomial eight times.
constexpr std::array<std::uint16_t, 256> crcTable = [] {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}();

} // namespace

std::uint16_t crc16Update(std::uint16_t crc, std::uint8_t byte)
{
    return static_cast<std::uint16_t>(crcTable[((crc >> 8) ^ byte) & 0xFF] ^ (crc << 8));
}

std::uint16_t crc16(const std::uint8_t* bytes, std::size_t length, std::uint16_t crc)
{
    for (std::size_t i = 0; i < length; ++i)
        crc = crc16Update(crc, bytes[i]);
    return crc;
}

std::uint16_t crc16(const std::string& bytes)
{
    return crc16(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace veldris
