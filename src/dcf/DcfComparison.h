#pragma once

#include "dcf/DCFFile.h"
#include "dcf/DcfReadout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldris {

// One section of a DCF against the sensor's value.
struct EntryComparison {
    enum class Result { Equal, Differs, Aborted, NoAnswer, Skipped };
    EntryReading reading;         // what the sensor gave
    std::optional<DcfValue> file; // the value `dcf write` sends (node added where relative)
    std::string fileText;         // the file's ParameterValue as written, without CR and blanks
    Result result = Result::Skipped;

    // A section that `dcf write` sends and whose value the sensor does not hold, or that was
    // not compared (aborted, unanswered, refused).
    bool counts() const { return result != Result::Equal && (result != Result::Skipped || reading.failed); }
};

struct DcfComparison {
    std::vector<EntryComparison> entries;
    std::size_t differences = 0; // entries that count

    bool allEqual() const { return differences == 0; }
};

// Compares a readout of `sections` at `node` with the values the sections write: numbers by
// value within their DataType's size (a signed type's two's complement is its value), strings
// byte for byte.
DcfComparison compareWithSensor(const DcfReadout& readout, const std::vector<DCFSection>& sections, std::uint8_t node);

// The line of a section that is not equal, fields two blanks apart, numbers in the style of the
// file's value (its formula left out), a VISIBLE_STRING in double quotes:
//   "0x1017:00  sensor 200  file 350"
//   "0x1017:00  sensor aborted 0x06020000  file 350"
//   "0x1017:00  sensor no answer  file 350"
//   "0x1017:00  sensor not asked  file 350" (the adapter refused the request, or after a stop)
//   "0x7132:00  not compared: DataType 8 is not written (...)"
std::string differenceLine(const EntryComparison& entry);

} // namespace veldris
