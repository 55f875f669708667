// Reading a DCF's values from the simulated sensors of tests/scenarios/procedures.ini: what each
// section gives, and how a silent node, an abort, a refusing adapter and a stop end up.

#include "canopen/CanOpenClient.h"
#include "dcf/DcfComparison.h"
#include "dcf/DcfReadout.h"

#include "support/SharedClientTest.h"
#include "support/SimulatorRecords.h"

#include <gtest/gtest.h>

using namespace veldris;

namespace {

using Result = EntryReading::Result;

class DcfReadoutTest : public SharedClientTest {
protected:
    static DcfReadout readout(std::uint8_t node, const std::string& dcf, RecordingProgress& progress)
    {
        DCFFile file;
        EXPECT_TRUE(file.loadText(dcf));
        return readDcfValues(client(), node, file.sections(), progress);
    }
};

// Node 40 aborts 0x7132:01; node 3 is not on the bus; the adapter refuses every frame to node
// 127, which ends the readout before the sections after it are asked.
const std::string dcf = "[FileInfo]\nA=1\n[1017]\nDataType=6\nParameterValue=0\n[7132sub1]\nDataType=7\nParameterValue=3\n"
                        "[1800sub5]\nDataType=6\nParameterValue=0x0000\n";

} // namespace

TEST_F(DcfReadoutTest, WhatEachSectionGives)
{
    struct Case {
        const char* what;
        std::uint8_t node;
        std::vector<Result> results;
        std::vector<bool> failed;
        bool complete;
        std::vector<std::string> lines;
    } cases[] = {
        {"an abort among values",
         40,
         {Result::Skipped, Result::Read, Result::Aborted, Result::Read},
         {false, false, true, false},
         true,
         {"Section at line 1 skipped: no object entry", "Section at line 3 was read: 0", "Section at line 6 returned an error",
          "Section at line 6: SDO abort 0x06090030 (Invalid value for parameter (download only).)",
          "Section at line 9 was read: 0x0064"}},
        {"a node that does not answer",
         3,
         {Result::Skipped, Result::NoAnswer, Result::NoAnswer, Result::NoAnswer},
         {false, true, true, true},
         true,
         {"Section at line 1 skipped: no object entry", "Section at line 3 got no answer", "Section at line 6 got no answer",
          "Section at line 9 got no answer"}},
        {"an adapter that refuses the request",
         127,
         {Result::Skipped, Result::NoAnswer, Result::NoAnswer, Result::NoAnswer},
         {false, true, true, true},
         false,
         {"Section at line 1 skipped: no object entry"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingProgress progress;
        const DcfReadout read = readout(c.node, dcf, progress);
        ASSERT_EQ(read.entries.size(), c.results.size());
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            EXPECT_EQ(read.entries[i].result, c.results[i]) << i;
            EXPECT_EQ(read.entries[i].failed, c.failed[i]) << i;
        }
        EXPECT_EQ(read.complete(), c.complete);
        EXPECT_FALSE(read.allRead());
        EXPECT_EQ(progress.percent, 100u);
        // A refused request says why in one line of its own, after the lines before it.
        const std::size_t shown = std::min(progress.lines.size(), c.lines.size());
        EXPECT_EQ(std::vector<std::string>(progress.lines.begin(), progress.lines.begin() + static_cast<long>(shown)), c.lines);
        for (const EntryReading& entry : read.entries)
            EXPECT_EQ(entry.value.has_value(), entry.result == Result::Read) << "an abort or silence is no value";
    }
}

TEST_F(DcfReadoutTest, TheRefusalNamesTheAdapterAndTheSectionsAfterItAreNotAsked)
{
    RecordingProgress progress;
    const DcfReadout read = readout(127, dcf, progress);
    EXPECT_NE(read.refused.find("node 127 could not be asked for 0x1017:00: the adapter refused the request"),
              std::string::npos)
        << read.refused;
    EXPECT_EQ(read.entries[2].reason, "not asked: the readout ended before it");
    EXPECT_FALSE(read.entries[1].asked || read.entries[2].asked);
    EXPECT_EQ(progress.lines.size(), 2u);
}

TEST_F(DcfReadoutTest, AStopEndsItAtOnce)
{
    RecordingProgress progress;
    client().requestStop();
    const DcfReadout read = readout(32, dcf, progress);
    client().clearStop();
    EXPECT_TRUE(read.stopped);
    EXPECT_FALSE(read.complete());
    EXPECT_EQ(read.entries[1].result, Result::NoAnswer);
    EXPECT_FALSE(read.entries[1].value);
}

// The comparison of a readout at node 40 with its file: the abort and a value that differs
// count, the name section and the event timer written in hexadecimal (100) do not.
TEST_F(DcfReadoutTest, ComparedWithTheFile)
{
    RecordingProgress progress;
    const std::string file = "[FileInfo]\nA=1\n[1017]\nDataType=6\nParameterValue=350\n[7132sub1]\nDataType=7\n"
                             "ParameterValue=3\n[1800sub5]\nDataType=6\nParameterValue=0x64\n";
    DCFFile dcfFile;
    ASSERT_TRUE(dcfFile.loadText(file));
    const DcfReadout read = readDcfValues(client(), 40, dcfFile.sections(), progress);
    const DcfComparison comparison = compareWithSensor(read, dcfFile.sections(), 40);
    EXPECT_EQ(comparison.differences, 2u);
    std::vector<std::string> lines;
    for (const EntryComparison& entry : comparison.entries)
        if (entry.counts())
            lines.push_back(differenceLine(entry));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"0x1017:00  sensor 0  file 350", "0x7132:01  sensor aborted 0x06090030  file 3"}));
}
