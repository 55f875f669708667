#pragma once

#include "can/CanFrame.h"
#include "common/MessageSlots.h"
#include "sensor/DiagnosisReport.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorInfo.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;
class Translations;

// The line a stopped diagnosis ends with: what it may have left the sensor in.
inline constexpr const char* diagnosisStoppedLine =
    "Stopped: the diagnosis ended early; a reset of the sensor brings back its stored settings.";

// The spacing of twelve frames of one cyclic message, from the adapter's receive time stamps.
struct FrameTiming {
    std::string valueText;               // the mean process value and its unit; "n/a" without a mapping
    std::uint32_t averageIntervalMs = 0; // the eleven spacings summed and divided by 11; 0 with fewer frames
    std::uint32_t minIntervalMs = 0;
    std::uint32_t maxIntervalMs = 0;
    std::uint32_t frames = 0; // retained, at most 12

    static constexpr std::uint32_t wanted = 12;
    bool complete() const { return frames == wanted; }
};

struct StepMeasurement {
    std::int64_t expectedMs = 0; // the configured spacing, 100 for 0; -1 for an unanswered heartbeat read
    FrameTiming timing;
};

struct DiagnosisOutcome {
    bool passed = false;
    bool stopped = false;
    std::vector<DiagnosisResult> results; // of this diagnosis, in order
    std::optional<StepMeasurement> pdo, heartbeat, srdo;
    std::vector<SdoResult> failedReads; // reads that gave no value, each also a failed result
};

// The timing diagnosis of the connected sensor's cyclic messages: TPDO 1, heartbeat and, on a
// safety sensor (variant 2), SRDO 1. Each step reads the configured spacing, measures twelve
// frames and compares their mean spacing with it (more than 10 ms apart fails), then resets
// the sensor and switches it to pre-operational, which brings back the stored communication
// values changed for the measurement. Lines and results go to the DiagnosisReport.
//
// Frame collection gives up after 2 s plus 15 × the expected spacing: fewer than twelve frames
// fail the step ("No frames received", "Only N of 12 frames received"). A stop ends the
// diagnosis at a frame boundary.
class Diagnosis {
public:
    Diagnosis(CanOpenClient& client, SensorInfo sensor, const Translations& translations, DiagnosisReport& report);

    DiagnosisOutcome run();

    FrameTiming measurePdoTiming(std::uint32_t cobId, std::uint32_t expectedMs);
    FrameTiming measureSrdoTiming(std::uint32_t cobId, std::uint32_t expectedMs);
    FrameTiming measureHeartbeatInterval(std::uint32_t expectedMs);

    bool diagnosePdo();
    bool diagnoseHeartbeat();
    bool diagnoseSrdo();

private:
    FrameTiming measure(const char* section, std::uint32_t identifier, std::uint32_t expectedMs,
                        const std::vector<std::uint32_t>* mapping);
    std::vector<CanFrame> collectFrames(std::uint32_t identifier, std::uint32_t expectedMs);
    bool checkSpacing(const char* section, const FrameTiming& timing, std::int64_t expectedMs);
    bool finishStep(const char* section, std::optional<StepMeasurement>& slot, DiagnosisField measuredField,
                    std::int64_t expectedMs, const FrameTiming& timing, const char* unreadMapping);
    void endStep();
    void add(bool isError, const char* section, const std::string& text);
    // A read that gave no value: a failed result naming the node, the object and what came.
    void readFailed(const char* section, const SdoResult& read);
    // The value of a read, or nothing after readFailed.
    std::optional<std::uint32_t> valueOf(const char* section, const SdoResult& read);
    // A step's COB-ID bytes as read; when there are none, the step is reported disconnected.
    ByteList cobIdBytes(const SdoResult& read, ByteList bytes, Message disconnected, const char* section);
    void line(const std::string& text, bool withTime = true) { report.line(text, withTime); }
    bool runSteps();

    CanOpenClient& client;
    SensorInfo sensor;
    const Translations& translations;
    DiagnosisReport& report;
    DiagnosisOutcome outcome;
};

// The current process value of `sensor`'s TPDO 1 as the Diagnose page shows it once a second
// ("12.34bar"): the PDO is started, one of its frames awaited (up to 20 reads, `wait` 10 ms
// between them), the sensor switched back to pre-operational. "n/a" when no frame came or the
// mapping or COB-ID could not be read.
std::string currentValueText(CanOpenClient& client, const SensorInfo& sensor,
                             const std::function<bool(std::chrono::milliseconds)>& wait);

} // namespace veldris
