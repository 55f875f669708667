#pragma once

#include "common/NumberText.h"

#include <cstdint>
#include <string>

namespace veldris {

// How an entry of a CiA 306 DataType travels in an SDO transfer and how a DCF writes its value.
struct DataTypeInfo {
    enum class Kind {
        Number,        // BOOLEAN, INTEGER8/16/32, UNSIGNED8/16/32: `bytes` bytes, expedited
        VisibleString, // VISIBLE_STRING (0x0009): the ParameterValue is the text itself
        OctetString,   // OCTET_STRING (0x000A): the ParameterValue is hexadecimal bytes
        Domain,        // DOMAIN (0x000F): not written, its content is no ParameterValue
        Other,         // reals, wider integers, anything else: not written
    };
    Kind kind = Kind::Other;
    std::uint8_t command = 0; // the expedited download's command byte (numbers)
    int bytes = 0;            // numbers: the object's size
    NumberRange range;        // numbers: the values a decimal ParameterValue may take
    const char* name = "";

    bool isNumber() const { return kind == Kind::Number; }
    bool isString() const { return kind == Kind::VisibleString || kind == Kind::OctetString; }
    bool isSigned() const { return range.min < 0; }
    // A hexadecimal text writes the type's bit pattern ("0x80000000" for INTEGER32), a decimal
    // one its value.
    NumberRange rangeOf(const std::string& text) const;
    // The value of the object's `bytes` bytes (least significant first, as SDO carries them):
    // signed types read as their two's complement.
    std::int64_t valueOfBits(std::uint32_t bits) const;
    // The object's bytes of a value in its range or in its bit pattern's.
    std::uint32_t bitsOf(std::int64_t value) const;
};

DataTypeInfo dataTypeInfo(std::int32_t dataType);

} // namespace veldris
