#pragma once

#include "can/CanFrame.h"
#include "dcf/DCFFile.h"
#include "sensor/SensorInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;
class Progress;
struct DownloadPlan;

// What became of one section.
struct SectionReport {
    enum class Result {
        Sent,     // the sensor confirmed the download
        Aborted,  // the sensor refused it (abortCode)
        NoAnswer, // nothing came within 30 ms, or the adapter did not send it
        Skipped,  // no value to write (reason); not a failure
        Refused,  // a value the program cannot write, such as a DataType it does not send (reason); a failure
    };
    std::int32_t headerLine = 0;
    std::string index;
    CanFrame frame;
    Result result = Result::Skipped;
    std::uint32_t abortCode = 0;
    std::string reason;           // Skipped, Refused, Aborted (the abort's text), a failed read-back
    std::optional<bool> verified; // with verification: the value read back matched
};

struct DCFUploadResult {
    bool success = false; // every value written (and verified), and the store confirmed
    std::vector<SectionReport> sections;
    bool stored = false;
    bool storeUnknown = false;             // the store went out and neither its confirmation nor an abort came back
    std::optional<bool> srdoChecksumSaved; // safety sensors (variant 2) only
    bool stopped = false;
    // The ParameterValues that refused the whole file (see badValues); nothing was sent then.
    std::vector<std::string> badValues;
};

// Writes the sections of a DCF into a sensor, one SDO download per section at a pace of one per
// 200 ms (expedited; a string above four bytes segmented), then stores the parameters if every value was taken, renews the SRDO
// checksum of a safety sensor (after a store only: the step stores as well) and resets all
// nodes. Report lines go to the Progress as they
// come; the percentage ends at 100 exactly when the parameters were stored.
//
// A ParameterValue that is no number or does not fit its DataType refuses the whole file
// before the first frame, so that a typo never leaves a sensor half configured. Sections
// without a value to write are skipped with a line of their own; a section that is aborted,
// gets no answer, or holds a value that cannot be written is a failure, and then nothing is
// stored. With `verify`, each confirmed value is read back and compared before the
// store. A stop ends the upload at a frame boundary with a line that says what the sensor holds.
class DCFUpload {
public:
    DCFUpload(CanOpenClient& client, SensorInfo sensor, std::vector<DCFSection> sections, bool verify = false);

    DCFUploadResult run(Progress& progress);

private:
    SectionReport writeSection(const DCFSection& section, Progress& progress, bool& success);
    void verifySection(SectionReport& report, const DownloadPlan& plan, Progress& progress);
    void finish(DCFUploadResult& result, Progress& progress);

    CanOpenClient& client;
    SensorInfo sensor;
    std::vector<DCFSection> sections;
    bool verify;
    std::uint8_t node = 0;
};

} // namespace veldris
