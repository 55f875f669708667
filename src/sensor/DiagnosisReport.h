#pragma once

#include "common/MessageSlots.h"

#include <chrono>
#include <ctime>
#include <string>

namespace veldris {

// One verdict line of a diagnosis: red when `isError`, else green.
struct DiagnosisResult {
    bool isError = false;
    std::string section; // "GENERAL", "PDO", "Heartbeat", "SRDO", "ERROR" or "DIAGNOSE"
    std::string text;
};

// What the diagnosis shows besides its lines: the configured ("NV Memory:") and the measured
// ("Active value:") spacing of each cyclic message, and the current error.
enum class DiagnosisField {
    PdoConfigured,
    PdoMeasured,
    HeartbeatConfigured,
    HeartbeatMeasured,
    SrdoConfigured,
    SrdoMeasured,
    CurrentError,
    CurrentValue,
};

// Where a diagnosis reports: the Diagnose page (which also keeps the report buffer and the
// results list) or the command-line tool. Called on the diagnosis's thread.
class DiagnosisReport {
public:
    virtual ~DiagnosisReport() = default;

    virtual void line(const std::string& text, bool withTime) = 0; // 8-bit text
    virtual void result(const DiagnosisResult& result) = 0;
    virtual void show(DiagnosisField field, const std::string& text) = 0;
    virtual void message(Message slot) = 0; // a message box of the design's
    // The diagnosis's own waits (between frame reads, before each step). False when the bus was
    // stopped.
    virtual bool wait(std::chrono::milliseconds duration) = 0;
};

// "14:03:27 | ": the local time of day of `now`, as timed lines and results begin.
std::string timePrefix(std::time_t now);
// "14:03:27 | [PDO] OK"
std::string resultLine(const DiagnosisResult& result, std::time_t now);

} // namespace veldris
