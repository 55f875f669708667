#pragma once

#include "can/CanFrame.h"
#include "dcf/DCFFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

// Rebuilds `frame` as the expedited SDO download (identifier 0x600 + `node`, length 8) that
// writes the section's "ParameterValue" to its object index and sub-index ("SubNumber", 0
// without one). Command and value size follow "DataType": UNSIGNED8 (5), UNSIGNED16 (6) or
// UNSIGNED32 (7); any other type leaves command and value bytes 0.
//
// Nothing the file holds stops the frame from being built. A text that is no number reads as
// 0, and a section without "DataType" or "ParameterValue" goes out like one of an unknown
// type; each such case adds one line for the technician to `problems`:
//   "Section at line 12: ParameterValue 'abc' is not a number"
//   "Section at line 12 has no DataType"
void buildDownloadFrame(const DCFSection& section, std::uint8_t node, CanFrame& frame,
                        std::vector<std::string>* problems = nullptr);

// A number as DCF files write them. A text holding a lower-case "x" anywhere is hexadecimal:
// blanks, an optional sign and an optional "0x"/"0X" first, then hexadecimal digits up to the
// first other character, so that a trailing CR or "]" does not matter. Any other text is
// decimal: blanks, an optional sign, then decimal digits up to the first other character
// ("0X10" is 0). A negative number gives its two's complement.
//
// A text without the digits the reading expects, a decimal number outside the signed 32-bit
// range, or a hexadecimal one beyond the result's range reads as 0 and sets *ok to false;
// otherwise *ok is true. Never throws.
std::int32_t readNumber(const std::string& text, bool* ok = nullptr);

// The same for UNSIGNED32 values: hexadecimal numbers up to 0xFFFFFFFF. Decimal numbers still
// have to fit the signed 32-bit range ("-1" is 0xFFFFFFFF, "4294967295" no number).
std::uint32_t readUnsignedNumber(const std::string& text, bool* ok = nullptr);

} // namespace veldris
