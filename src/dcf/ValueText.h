#pragma once

#include "dcf/DcfValue.h"

#include <cstdint>
#include <optional>
#include <string>

namespace veldris {

// The ParameterValue text of `value` written the way `templateText` (a ParameterValue of the
// same entry) writes its own, so that a file read from a sensor stays as readable as its
// template:
// - a decimal number stays decimal (signed types with their sign);
// - a "0x" number stays hexadecimal with the template's prefix, letter case and at least its
//   number of digits ("0x0064" with 500 gives "0x01F4"); signed types as their bit pattern;
// - with `node`, a value written relative to the node ("$NODEID+0x180", "0x180+$NODEID",
//   "$NODEID") stays relative: the number part becomes the value less the node, in its style,
//   as long as that is not negative (else the plain value); without `node` the formula is left
//   out and the value written plainly in the style of its number part;
// - a VISIBLE_STRING is its text, an OCTET_STRING its bytes as two upper-case hexadecimal
//   digits each (lower case when the template writes them so), separated by blanks when the
//   template separates its bytes.
std::string valueTextLike(const std::string& templateText, const DcfValue& value, const DataTypeInfo& type,
                          std::optional<std::uint8_t> node);

// Whether the text of a VISIBLE_STRING can stand as a ParameterValue and be read back as the
// same bytes: no control characters, and no leading or trailing blank (the reader trims them).
bool fitsOnALine(const std::vector<std::uint8_t>& text);

} // namespace veldris
