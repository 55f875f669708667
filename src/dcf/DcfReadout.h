#pragma once

#include "canopen/SdoResult.h"
#include "dcf/DCFFile.h"
#include "dcf/DataTypes.h"
#include "dcf/DcfValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;
class Progress;

// What the sensor gave for one section of a DCF.
struct EntryReading {
    enum class Result {
        Read,     // `value` is the sensor's
        Aborted,  // the sensor refused the upload (`abortCode`), or answered it in a way no upload
                  // of this entry is answered (another size, a broken segmented transfer)
        NoAnswer, // nothing came, or the request never reached the bus (`asked` false)
        Skipped,  // a section that `dcf write` does not send, or refuses (`failed`)
    };
    std::int32_t headerLine = 0;
    std::string index;             // as the header writes it ("1800")
    std::uint16_t objectIndex = 0; // the index the upload asked for
    std::uint8_t subIndex = 0;
    DataTypeInfo type;
    Result result = Result::Skipped;
    std::optional<DcfValue> value;          // Read only
    std::optional<std::uint32_t> abortCode; // an abort of the sensor
    std::string reason;                     // why it was skipped, aborted or not answered
    bool asked = true;                      // false: the adapter refused the request, or the readout had ended before it
    SdoObject object() const { return {objectIndex, subIndex}; } // "0x1017:00" in messages

    // The section's value is missing from what was read: anything but a Read and a plain skip.
    // A VISIBLE_STRING that cannot stand on a DCF line is read and failed (`reason` says so).
    bool failed = false;
};

// The sensor's values of the sections of a DCF, in file order. A ParameterValue that refuses the
// file for `dcf write` (see badValues) refuses the readout too: nothing is asked then.
struct DcfReadout {
    std::vector<EntryReading> entries;  // one per section, also for those not asked
    std::vector<std::string> badValues; // the file was refused
    std::string refused; // a request could not go out (bus off, bus held by another operation): why; the readout ended there
    bool stopped = false;

    bool complete() const { return badValues.empty() && refused.empty() && !stopped; }
    // Every section that `dcf write` sends was read.
    bool allRead() const;
};

// Reads the value of every section that `dcf write` would send to `node`, with the same
// selection and skip reasons: one SDO upload per section (numbers of their DataType's size,
// strings of any length, segmented when the sensor answers so), 100 ms per answer. Report
// lines in the style of the upload go to `progress` ("Section at line 4 was read: 100",
// "Section at line 7 returned an error", "Section at line 9 got no answer"). A refused request
// or a stop ends the readout at once; the sections after it are not asked. Nothing throws.
DcfReadout readDcfValues(CanOpenClient& client, std::uint8_t node, const std::vector<DCFSection>& sections, Progress& progress);

} // namespace veldris
