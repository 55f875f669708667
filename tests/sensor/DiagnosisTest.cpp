// The timing diagnosis against the simulated sensors of tests/scenarios/diagnosis.ini, whose
// cyclic messages keep or miss their configured spacing.

#include "canopen/CanOpenClient.h"
#include "common/Translations.h"
#include "sensor/Diagnosis.h"
#include "sensor/SensorConnection.h"

#include "support/SharedClientTest.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace veldris;

namespace {

const Translations english; // the report's source texts

class DiagnosisTest : public SharedClientTest {
protected:
    static SensorInfo sensorAt(int node) { return connectToSensor(client(), std::to_string(node)).sensor; }

    // What the diagnosis reports, kept; `stopAfterWaits` raises the stop at that wait.
    struct RecordingReport : DiagnosisReport {
        void line(const std::string& text, bool) override { lines.push_back(text); }
        void result(const DiagnosisResult& r) override
        {
            results.push_back(r.section + (r.isError ? " red: " : " green: ") + r.text);
        }
        void show(DiagnosisField, const std::string&) override {}
        void message(Message) override {}
        bool wait(std::chrono::milliseconds duration) override
        {
            if (++waits == stopAfterWaits)
                client().requestStop();
            return client().pause(duration);
        }
        bool has(const std::string& text) const { return std::find(lines.begin(), lines.end(), text) != lines.end(); }

        std::vector<std::string> lines, results;
        int waits = 0, stopAfterWaits = -1;
    };
};

} // namespace

TEST_F(DiagnosisTest, PdoSpacingAgainstItsEventTimer)
{
    struct Case {
        const char* what;
        int node;
        bool passed;
        std::vector<std::string> results;
    } cases[] = {
        {"111 ms against 100",
         6,
         false,
         {"PDO red: The event timer has a bigger deviation then 10 ms",
          "PDO red: Event timer average across 10 measurements is 111 ms"}},
        {"110 ms is within 10 ms", 7, true, {"PDO green: OK"}},
        {"event timer 0: measured against 100", 8, true, {"PDO red: The event timer value is set to 0.", "PDO green: OK"}},
        {"5 ms, its COB-ID activated first", 9, true, {"PDO red: The PDO COB ID is not active.", "PDO green: OK"}},
        {"no frames within the time limit", 12, false, {"PDO red: No frames received"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingReport report;
        Diagnosis diagnosis(client(), sensorAt(c.node), english, report);
        EXPECT_EQ(diagnosis.diagnosePdo(), c.passed);
        EXPECT_EQ(report.results, c.results);
    }
}

TEST_F(DiagnosisTest, WholeDiagnosisOfASafetySensorAndOfAnother)
{
    // The verdict's numbers (12 SRDO frames, heartbeat 50 ms) are checked by the command-line tool's tests.
    RecordingReport safety;
    EXPECT_TRUE(Diagnosis(client(), sensorAt(5), english, safety).run().passed);
    EXPECT_EQ(safety.results, (std::vector<std::string>{"PDO green: OK", "Heartbeat green: OK", "SRDO green: OK",
                                                        "ERROR green: 0x00000000", "DIAGNOSE green: PASSED"}));
    EXPECT_TRUE(safety.has("UID: 0x06102200") && safety.has("Diagnosing SRDO"));

    RecordingReport other;
    const DiagnosisOutcome failed = Diagnosis(client(), sensorAt(7), english, other).run(); // heartbeat 70 ms instead of 50
    EXPECT_FALSE(failed.passed);
    EXPECT_FALSE(other.has("Diagnosing SRDO"));
    EXPECT_EQ(other.results.back(), "DIAGNOSE red: FAILED");
}

TEST_F(DiagnosisTest, SafetySensorsThatCannotBeMeasured)
{
    RecordingReport cycleZero;
    EXPECT_TRUE(Diagnosis(client(), sensorAt(10), english, cycleZero).run().passed) << "a cycle time of 0 leaves the verdict";
    EXPECT_EQ(std::count(cycleZero.results.begin(), cycleZero.results.end(), "SRDO red: FAILED"), 1);
    EXPECT_TRUE(cycleZero.has("to diagnose SRDO, set the event timer via DCF"));

    RecordingReport refused;
    EXPECT_FALSE(Diagnosis(client(), sensorAt(11), english, refused).run().passed);
    EXPECT_EQ(refused.results, (std::vector<std::string>{"SRDO red: Due to false checksum the sensor is not able to start.",
                                                         "DIAGNOSE red: FAILED"}));

    // Chosen while it still answered, then silent.
    SensorInfo silent = sensorAt(5);
    silent.nodeId = "13";
    RecordingReport unreachable;
    EXPECT_FALSE(Diagnosis(client(), silent, english, unreachable).run().passed);
    EXPECT_EQ(unreachable.results,
              (std::vector<std::string>{"GENERAL red: Unable to connect to sensor!", "DIAGNOSE red: FAILED"}));
}

// A stop ends the diagnosis at its next wait; the current value of the TPDO is read after it.
TEST_F(DiagnosisTest, StopEndsTheDiagnosisAtItsNextWaitThenTheCurrentValue)
{
    RecordingReport report;
    report.stopAfterWaits = 20; // in the PDO measurement
    const DiagnosisOutcome outcome = Diagnosis(client(), sensorAt(5), english, report).run();
    client().clearStop();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.passed);
    EXPECT_TRUE(report.has(diagnosisStoppedLine));
    EXPECT_FALSE(report.has("Diagnosing heartbeat"));

    const auto wait = [](std::chrono::milliseconds duration) { return client().pause(duration); };
    EXPECT_EQ(currentValueText(client(), sensorAt(5), wait), "12.34bar");
    EXPECT_EQ(currentValueText(client(), sensorAt(12), wait), "n/a"); // its PDO never comes
}
