#include "dcf/DataTypes.h"

#include "canopen/SdoProtocol.h"
#include "dcf/DCFFile.h"

namespace veldris {

namespace {

using Kind = DataTypeInfo::Kind;

DataTypeInfo number(std::uint8_t command, int bytes, NumberRange range, const char* name)
{
    return {Kind::Number, command, bytes, range, name};
}

} // namespace

NumberRange DataTypeInfo::rangeOf(const std::string& text) const
{
    const std::string value = trimBlanks(text);
    const bool hexadecimal = value.size() > 1 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    return hexadecimal && isSigned() ? NumberRange::unsignedBytes(bytes) : range;
}

std::int64_t DataTypeInfo::valueOfBits(std::uint32_t bits) const
{
    const std::uint64_t mask = (std::uint64_t{1} << (8 * bytes)) - 1;
    const std::uint64_t value = bits & mask;
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    if (isSigned() && (value & signBit) != 0)
        return static_cast<std::int64_t>(value) - static_cast<std::int64_t>(mask + 1);
    return static_cast<std::int64_t>(value);
}

std::uint32_t DataTypeInfo::bitsOf(std::int64_t value) const
{
    const std::uint64_t mask = (std::uint64_t{1} << (8 * bytes)) - 1;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & mask);
}

// BOOLEAN and the INTEGERs go out as their two's complement bytes, as the UNSIGNEDs do.
DataTypeInfo dataTypeInfo(std::int32_t dataType)
{
    switch (dataType) {
    case 0x01: return number(sdo::download1, 1, {0, 1}, "BOOLEAN");
    case 0x02: return number(sdo::download1, 1, NumberRange::signedBytes(1), "INTEGER8");
    case 0x03: return number(sdo::download2, 2, NumberRange::signedBytes(2), "INTEGER16");
    case 0x04: return number(sdo::download4, 4, NumberRange::signedBytes(4), "INTEGER32");
    case 0x05: return number(sdo::download1, 1, NumberRange::unsignedBytes(1), "UNSIGNED8");
    case 0x06: return number(sdo::download2, 2, NumberRange::unsignedBytes(2), "UNSIGNED16");
    case 0x07: return number(sdo::download4, 4, NumberRange::unsignedBytes(4), "UNSIGNED32");
    case 0x09: return {Kind::VisibleString, 0, 0, {}, "VISIBLE_STRING"};
    case 0x0A: return {Kind::OctetString, 0, 0, {}, "OCTET_STRING"};
    case 0x0F: return {Kind::Domain, 0, 0, {}, "DOMAIN"};
    default: return {};
    }
}

} // namespace veldris
