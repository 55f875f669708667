#pragma once

#include "dcf/DataTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

struct SdoResult;

// The value of one entry, as a DCF writes it or as a sensor gave it: a number of its DataType
// (signed types as their signed value), or the bytes of a string.
struct DcfValue {
    DataTypeInfo::Kind kind = DataTypeInfo::Kind::Number;
    std::int64_t number = 0;         // Number
    std::vector<std::uint8_t> bytes; // VisibleString, OctetString

    // Numbers compare by value within the type's size, strings byte for byte.
    bool operator==(const DcfValue& other) const = default;
};

// The value of an upload answer for an entry of `type` (the caller has checked the size of a
// number's answer); nothing else of the answer is read.
DcfValue sensorValue(const DataTypeInfo& type, const SdoResult& uploaded);

// The bytes a string ParameterValue writes (CiA 306): a VISIBLE_STRING is the text as it stands
// (no control characters), an OCTET_STRING hexadecimal bytes of two digits each, with or
// without blanks between the bytes ("01 02 0A", "01020A"). A CR of a CR LF line end is no part
// of the value. `problem` says why a text writes nothing: "'0G' is not hexadecimal bytes (such
// as 01 02 0A)".
struct StringReading {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    bool ok() const { return problem.empty(); }
};
StringReading readStringValue(const DataTypeInfo& type, std::string text);

} // namespace veldris
