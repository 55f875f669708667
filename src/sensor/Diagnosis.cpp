#include "sensor/Diagnosis.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "common/Translations.h"
#include "sensor/ParameterAccess.h"
#include "sensor/SensorConnection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace veldris {

namespace {

using std::chrono::milliseconds;
constexpr milliseconds readPause{10};          // after every frame read of a measurement
constexpr milliseconds stepPause{200};         // before each step
constexpr milliseconds resetPause{500};        // for the sensor's reset at the end of a step
constexpr std::uint32_t defaultPeriodMs = 100; // set where a period of 0 would send nothing
constexpr std::int64_t allowedDeviationMs = 10;

std::string number(std::int64_t value)
{
    return std::to_string(value);
}

// The mean process value of the frames, as the mapping's first object reads: a float (0x61xx)
// or a 16-bit value in units of 10^-decimals (0x71xx); no number for any other object.
std::string meanValueText(const std::vector<CanFrame>& frames, std::uint8_t indexHighByte, std::uint32_t decimals,
                          const std::string& unit)
{
    double sum = 0;
    for (const CanFrame& frame : frames) {
        if (indexHighByte == 0x61) {
            float value = 0;
            std::memcpy(&value, frame.data, sizeof value); // the frame carries the float's bits, LSB first
            sum += std::isfinite(value) ? value : 0;
        } else if (indexHighByte == 0x71) {
            sum += static_cast<float>(frame.data[0] | frame.data[1] << 8);
        }
    }
    double average = frames.empty() ? 0 : sum / static_cast<double>(frames.size());
    if (indexHighByte == 0x71)
        average /= std::pow(10.0, decimals);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(std::min<std::uint32_t>(decimals, 15)), average);
    return text + unit;
}

} // namespace

Diagnosis::Diagnosis(CanOpenClient& bus, SensorInfo connected, const Translations& texts, DiagnosisReport& into)
    : client(bus), sensor(std::move(connected)), translations(texts), report(into)
{
}

void Diagnosis::add(bool isError, const char* section, const std::string& text)
{
    const DiagnosisResult result{isError, section, text};
    outcome.results.push_back(result);
    report.result(result);
}

// Each wake-up takes every frame waiting and keeps those of `identifier`, until twelve are in or
// the time limit passes. The pause only bounds how often it wakes: a busy bus (other nodes'
// PDOs and heartbeats) fills the queue faster than one frame per pause, and reading one frame
// per pause would fall behind it and miss the time limit. The frames keep the adapter's time
// stamps, so the time a frame waited in the queue does not count.
std::vector<CanFrame> Diagnosis::collectFrames(std::uint32_t identifier, std::uint32_t expectedMs)
{
    const auto limit = std::chrono::steady_clock::now() + milliseconds(2000) + milliseconds(15) * expectedMs;
    std::vector<CanFrame> frames;
    while (std::chrono::steady_clock::now() < limit) {
        for (const CanFrame& frame : client.readWaitingFrames())
            if (frame.identifier == identifier && frames.size() < FrameTiming::wanted)
                frames.push_back(frame);
        if (frames.size() == FrameTiming::wanted || !report.wait(readPause))
            break;
    }
    return frames;
}

FrameTiming Diagnosis::measure(const char* section, std::uint32_t identifier, std::uint32_t expectedMs,
                               const std::vector<std::uint32_t>* mapping)
{
    client.drainReceiveQueue();
    std::string unit;
    std::uint8_t high = 0;
    if (mapping && !mapping->empty()) {
        high = static_cast<std::uint8_t>(mapping->front());
        if (const auto code = valueOf(section, readUnit(client, sensor, high)))
            unit = unitText(*code);
    }
    const std::vector<CanFrame> frames = collectFrames(identifier, expectedMs);
    FrameTiming timing;
    timing.frames = static_cast<std::uint32_t>(frames.size());
    if (mapping) {
        const std::optional<std::uint32_t> decimals = high == 0x71 ? valueOf(section, readDecimalDigits(client, sensor)) : 2u;
        timing.valueText = mapping->empty() || !decimals ? "n/a" : meanValueText(frames, high, *decimals, unit);
    }
    std::uint64_t sum = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const std::uint64_t spacing = (frames[i].timestampMicros() / 1000) - (frames[i - 1].timestampMicros() / 1000);
        sum += spacing;
        timing.minIntervalMs =
            static_cast<std::uint32_t>(i == 1 ? spacing : std::min<std::uint64_t>(timing.minIntervalMs, spacing));
        timing.maxIntervalMs = static_cast<std::uint32_t>(std::max<std::uint64_t>(timing.maxIntervalMs, spacing));
    }
    if (timing.complete())
        timing.averageIntervalMs = static_cast<std::uint32_t>(sum / (FrameTiming::wanted - 1));
    return timing;
}

FrameTiming Diagnosis::measurePdoTiming(std::uint32_t cobId, std::uint32_t expectedMs)
{
    if (cobId == 0)
        cobId = 0x180u + sensor.node();
    const SdoResult read = getTpdoMapping(client, sensor);
    if (!read.uploaded())
        readFailed("PDO", read);
    const ByteList mapping = valueBytes(read);
    return measure("PDO", cobId, expectedMs, &mapping);
}

FrameTiming Diagnosis::measureSrdoTiming(std::uint32_t cobId, std::uint32_t expectedMs)
{
    const SdoResult read = getSrdoMapping(client, sensor);
    if (!read.uploaded())
        readFailed("SRDO", read);
    const ByteList mapping = valueBytes(read);
    return measure("SRDO", cobId, expectedMs, &mapping);
}

FrameTiming Diagnosis::measureHeartbeatInterval(std::uint32_t expectedMs)
{
    return measure("Heartbeat", 0x700u + sensor.node(), expectedMs, nullptr);
}

// Twelve frames whose mean spacing is within 10 ms of the expected one.
bool Diagnosis::checkSpacing(const char* section, const FrameTiming& timing, std::int64_t expectedMs)
{
    if (!timing.complete()) {
        std::string text = translations.translate(timing.frames == 0 ? "No frames received" : "Only %1 of 12 frames received");
        if (const std::size_t at = text.find("%1"); at != std::string::npos)
            text.replace(at, 2, number(timing.frames));
        add(true, section, text);
        return false;
    }
    const std::int64_t deviation = static_cast<std::int64_t>(timing.averageIntervalMs) - expectedMs;
    if (std::llabs(deviation) > allowedDeviationMs) {
        add(true, section, "The event timer has a bigger deviation then 10 ms");
        add(true, section, "Event timer average across 10 measurements is " + number(timing.averageIntervalMs) + " ms");
        return false;
    }
    add(false, section, "OK");
    return true;
}

// Keeps a step's measurement, shows its average spacing and compares it with the expected one;
// for the steps that read a mapping (`unreadMapping` names the failure), a mapping that could
// not be read fails the step too. Then the step ends.
bool Diagnosis::finishStep(const char* section, std::optional<StepMeasurement>& slot, DiagnosisField measuredField,
                           std::int64_t expectedMs, const FrameTiming& timing, const char* unreadMapping)
{
    slot = StepMeasurement{expectedMs, timing};
    report.show(measuredField, number(timing.averageIntervalMs) + " ms");
    bool passed = checkSpacing(section, timing, expectedMs);
    if (unreadMapping && timing.valueText == "n/a") {
        add(true, section, unreadMapping);
        passed = false;
    }
    endStep();
    return passed;
}

// The reset brings back the communication values changed for the measurement.
void Diagnosis::endStep()
{
    line("Resetting sensor");
    nmtResetCommunicationAll(client);
    report.wait(resetPause);
    line("Preopping sensor");
    nmtEnterPreOperationalAll(client);
}

void Diagnosis::readFailed(const char* section, const SdoResult& read)
{
    outcome.failedReads.push_back(read);
    add(true, section, "Node " + sensor.nodeId + " " + read.failure());
}

std::optional<std::uint32_t> Diagnosis::valueOf(const char* section, const SdoResult& read)
{
    if (read.uploaded())
        return read.value;
    readFailed(section, read);
    return std::nullopt;
}

ByteList Diagnosis::cobIdBytes(const SdoResult& read, ByteList bytes, Message disconnected, const char* section)
{
    if (read.kind == SdoResult::Kind::NoAnswer) {
        report.message(disconnected);
        add(true, section, "Sensor got disconnected!");
    }
    if (bytes.empty())
        readFailed(section, read);
    return bytes;
}

bool Diagnosis::diagnosePdo()
{
    const SdoResult cobRead = getTpdoCobId(client, sensor);
    if (cobIdBytes(cobRead, valueBytes(cobRead), Message::PdoSensorDisconnected, "PDO").empty())
        return false;
    std::uint32_t cobId = cobRead.value;
    if (pdoInactive(cobId)) {
        add(true, "PDO", "The PDO COB ID is not active.");
        line("Activating PDO COB ID for diagnostic purposes..");
        line("This will be reset after diagnosis.");
        if (!activateTpdo(client, sensor, cobId).confirmed()) {
            add(true, "PDO", "PDO could not be enabled.");
            return false;
        }
        cobId = activeTpdoCobId(cobId, sensor.node());
    }
    const std::optional<std::uint32_t> transmissionType = valueOf("PDO", getTpdoTransmissionType(client, sensor));
    if (!transmissionType)
        return false;
    const std::uint32_t type = *transmissionType;
    if (type < 241) {
        add(true, "PDO", "The transmission type is set to synchronous mode.");
        return true;
    }
    if (type < 254) {
        add(true, "PDO", "The transmission is set to a non specified type!");
        return true;
    }
    const std::optional<std::uint32_t> configured = valueOf("PDO", getTpdoEventTimer(client, sensor));
    if (!configured)
        return false;
    const std::uint32_t eventTimer = *configured;
    report.show(DiagnosisField::PdoConfigured, number(static_cast<std::int32_t>(eventTimer)) + " ms");
    if (eventTimer == 0) {
        add(true, "PDO", "The event timer value is set to 0.");
        line("PDO event timer set to 100");
        setTpdoEventTimer(client, sensor, defaultPeriodMs);
    }
    const std::uint32_t expected = eventTimer == 0 ? defaultPeriodMs : eventTimer;
    line("Starting sensor");
    nmtStartNode(client, sensor.node());
    return finishStep("PDO", outcome.pdo, DiagnosisField::PdoMeasured, expected,
                      measurePdoTiming(pdoIdentifier(cobId), expected), "The PDO mapping could not be read.");
}

bool Diagnosis::diagnoseHeartbeat()
{
    const std::optional<std::uint32_t> read = valueOf("Heartbeat", getHeartbeat(client, sensor));
    if (!read)
        return false;
    const auto configured = static_cast<std::int32_t>(*read);
    report.show(DiagnosisField::HeartbeatConfigured, number(configured) + " ms");
    if (configured == 0) {
        add(true, "Heartbeat", "The event timer value is set to 0.");
        line("Heartbeat event timer set to 100");
        setHeartbeat(client, sensor, defaultPeriodMs);
    }
    const std::int32_t expected = configured == 0 ? static_cast<std::int32_t>(defaultPeriodMs) : configured;
    const FrameTiming timing = measureHeartbeatInterval(static_cast<std::uint32_t>(expected));
    return finishStep("Heartbeat", outcome.heartbeat, DiagnosisField::HeartbeatMeasured, expected, timing, nullptr);
}

// A cycle time of 0 cannot be measured: it is reported, and the verdict is left as it is.
bool Diagnosis::diagnoseSrdo()
{
    const std::optional<std::uint32_t> cycleTime = valueOf("SRDO", getSrdoCycleTime(client, sensor));
    if (!cycleTime)
        return false;
    const std::uint32_t cycle = *cycleTime;
    report.show(DiagnosisField::SrdoConfigured, number(static_cast<std::int32_t>(cycle)) + " ms");
    if (cycle == 0) {
        add(true, "SRDO", "The event timer value is set to 0.");
        add(true, "SRDO", "FAILED");
        line("to diagnose SRDO, set the event timer via DCF");
        return true;
    }
    const SdoResult cobRead = getSrdoCobId(client, sensor);
    const ByteList cob = cobIdBytes(cobRead, srdoCobIdBytes(cobRead), Message::SrdoSensorDisconnected, "SRDO");
    if (cob.empty())
        return false;
    const std::uint32_t cobId = cob[1] + 256 * cob[0];
    nmtStartNode(client, sensor.node());
    return finishStep("SRDO", outcome.srdo, DiagnosisField::SrdoMeasured, cycle, measureSrdoTiming(cobId, cycle),
                      "The SRDO mapping could not be read.");
}

// The steps after the sensor was set up; false when a stop ended them.
bool Diagnosis::runSteps()
{
    struct Step {
        const char* begin;
        const char* done;
        bool (Diagnosis::*diagnose)();
    };
    std::vector<Step> steps = {{"Diagnosing PDO", "PDO diagnosis done", &Diagnosis::diagnosePdo},
                               {"Diagnosing heartbeat", "Heartbeat diagnosis done", &Diagnosis::diagnoseHeartbeat}};
    if (sensor.variantCode == 2)
        steps.push_back({"Diagnosing SRDO", "SRDO diagnosis done", &Diagnosis::diagnoseSrdo});
    bool passed = true;
    for (const Step& step : steps) {
        if (!report.wait(stepPause))
            return false;
        line(step.begin);
        passed = (this->*step.diagnose)() && passed; // every step runs, whatever the earlier ones gave
        if (client.stopRequested())
            return false;
        line(step.done);
    }
    if (const std::optional<std::uint32_t> error = valueOf("ERROR", getCurrentError(client, sensor))) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", *error);
        report.show(DiagnosisField::CurrentError, hex);
        add(*error != 0, "ERROR", hex);
    } else {
        report.show(DiagnosisField::CurrentError, "n/a");
        passed = false;
    }
    outcome.passed = passed;
    add(!passed, "DIAGNOSE", passed ? "PASSED" : "FAILED");
    return true;
}

DiagnosisOutcome Diagnosis::run()
{
    outcome = DiagnosisOutcome{};
    line("--- START ---\n");
    for (DiagnosisField field :
         {DiagnosisField::PdoConfigured, DiagnosisField::PdoMeasured, DiagnosisField::HeartbeatConfigured,
          DiagnosisField::HeartbeatMeasured, DiagnosisField::SrdoConfigured, DiagnosisField::SrdoMeasured})
        report.show(field, "n/a ms");
    report.show(DiagnosisField::CurrentError, "");
    report.show(DiagnosisField::CurrentValue, "");
    for (const std::string& identity : {"UID: " + sensor.uid, "FW: " + sensor.firmwareVersion, "Item Nr.: " + sensor.itemNumber,
                                        "Serial Nr.: " + sensor.serialNumber, std::string()})
        line(identity, false);
    line("Setting sensor up for diagnosis..");
    const ReconnectResult connected = reconnectSensor(client, sensor);
    if (client.stopRequested()) {
        outcome.stopped = true;
    } else if (connected == ReconnectResult::NoAnswer) {
        add(true, "GENERAL", "Unable to connect to sensor!");
        add(true, "DIAGNOSE", "FAILED");
    } else if (connected == ReconnectResult::ConfigurationRefused) {
        add(true, "SRDO", "Due to false checksum the sensor is not able to start.");
        add(true, "DIAGNOSE", "FAILED");
    } else {
        outcome.stopped = !runSteps();
    }
    if (outcome.stopped)
        line(diagnosisStoppedLine);
    line("--- DONE ---");
    line("======================================\n", false);
    return outcome;
}

std::string currentValueText(CanOpenClient& client, const SensorInfo& sensor,
                             const std::function<bool(std::chrono::milliseconds)>& wait)
{
    const SdoResult eventTimer = getTpdoEventTimer(client, sensor);
    const ByteList mapping = valueBytes(getTpdoMapping(client, sensor));
    if (mapping.empty() || !eventTimer.uploaded())
        return "n/a";
    const auto high = static_cast<std::uint8_t>(mapping.front());
    const SdoResult unit = readUnit(client, sensor, high);
    if (eventTimer.value == 0)
        setTpdoEventTimer(client, sensor, defaultPeriodMs);
    const SdoResult cob = getTpdoCobId(client, sensor);
    if (!cob.uploaded())
        return "n/a";
    const std::uint32_t identifier = pdoIdentifier(cob.value);
    nmtStartNode(client, sensor.node());
    std::optional<CanFrame> found;
    for (int wakeUp = 0; wakeUp < 20 && !found; ++wakeUp) {
        for (const CanFrame& frame : client.readWaitingFrames())
            if (frame.identifier == identifier && !found)
                found = frame;
        if (!found && !wait(readPause))
            break;
    }
    nmtEnterPreOperationalAll(client);
    if (!found)
        return "n/a";
    const SdoResult decimals = high == 0x71 ? readDecimalDigits(client, sensor) : SdoResult{};
    if (high == 0x71 && !decimals.uploaded())
        return "n/a";
    return meanValueText({*found}, high, high == 0x71 ? decimals.value : 2, unit.uploaded() ? unitText(unit.value) : "");
}

} // namespace veldris
