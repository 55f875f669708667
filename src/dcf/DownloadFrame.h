#pragma once

#include "can/CanFrame.h"
#include "dcf/DCFFile.h"
#include "dcf/DataTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

// Rebuilds `frame` as the expedited SDO download (identifier 0x600 + `node`, length 8) that
// writes the section's "ParameterValue" to its object index and sub-index ("SubNumber", 0
// without one). Command and value size follow "DataType": 1 byte for BOOLEAN (1), INTEGER8 (2)
// and UNSIGNED8 (5), 2 for INTEGER16 (3) and UNSIGNED16 (6), 4 for INTEGER32 (4) and
// UNSIGNED32 (7), the value's two's complement bytes. A VISIBLE_STRING (9) or OCTET_STRING (10)
// of up to four bytes goes out expedited as well; a longer one is a segmented transfer, and the
// frame is its first: the initiate frame 0x21 with the size in bytes 4..7. Any other type leaves
// command and value bytes 0. A value written relative to the node ("$NODEID+0x180", "0x180+$NODEID", "$NODEID")
// has `node` added.
//
// Nothing the file holds stops the frame from being built. A text that is no number reads as
// 0, a ParameterValue that is no number or does not fit its DataType leaves the value bytes 0,
// and a section without "DataType" or "ParameterValue" goes out like one of an unknown type;
// each such case adds one line for the technician to `problems`:
//   "Section at line 12: ParameterValue '70000' is out of range (0..65535) for UNSIGNED16"
//   "Section at line 12 has no DataType"
void buildDownloadFrame(const DCFSection& section, std::uint8_t node, CanFrame& frame,
                        std::vector<std::string>* problems = nullptr);

// What the upload does with one section.
struct DownloadPlan {
    enum class Action {
        Send,     // `frame` writes the section's value
        Skip,     // the section holds no value to write: a name section ([FileInfo]), a record or
                  // array header whose SubNumber counts its sub-entries, no ParameterValue, a
                  // read-only entry (AccessType ro or const) or a DOMAIN; not a failure
        Refuse,   // the section has a value the program cannot write: a data type other than
                  // 1..7, 9 and 10, no DataType, or a SubNumber, DataType or index that is no
                  // number; a failure of this section
        BadValue, // the ParameterValue is no number or does not fit the DataType, or a string
                  // value that writes nothing (a control character, no hexadecimal bytes): a typo
                  // that refuses the whole file before anything is sent
    };
    Action action = Action::Send;
    CanFrame frame;                  // as buildDownloadFrame builds it, also when not sent
    std::string reason;              // Skip and Refuse: why, e.g. "no ParameterValue"
    DataTypeInfo type;               // of the DataType
    std::vector<std::uint8_t> bytes; // Send: the whole value, least significant byte first for numbers

    // A string goes out with sdoDownload (segmented above four bytes), a number as `frame`.
    bool isString() const { return type.isString(); }
};

DownloadPlan planDownload(const DCFSection& section, std::uint8_t node);

// The sections whose ParameterValue refuses the file, as "line 14: ParameterValue '70000' is
// out of range (0..65535) for UNSIGNED16" (the line of the ParameterValue); empty when the
// file may be sent.
std::vector<std::string> badValues(const std::vector<DCFSection>& sections, std::uint8_t node);

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

} // namespace veldris
