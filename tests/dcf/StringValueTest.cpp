// String entries of a DCF: what their ParameterValue writes, and the frames and refusals of
// their sections.

#include "dcf/DcfValue.h"
#include "dcf/DownloadFrame.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace veldris;

namespace {

using StringSections = QuietDiagnostics;

} // namespace

TEST(StringValue, WhatAStringParameterValueWrites)
{
    struct Case {
        std::int32_t dataType;
        const char* text;
        std::optional<std::string> bytes; // nothing: refused
    } cases[] = {
        {0x09, "KS-40 = left", "KS-40 = left"},
        {0x09, "line end\r", "line end"},
        {0x09, "tab\there", {}},
        {0x0A, "01 02 0A", std::string("\x01\x02\x0A", 3)},
        {0x0A, "01020a\r", std::string("\x01\x02\x0A", 3)},
        {0x0A, "0102 0A", std::string("\x01\x02\x0A", 3)},
        {0x0A, "0 1", {}},
        {0x0A, "010", {}},
        {0x0A, "0x01", {}},
        {0x0A, "0G", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const StringReading reading = readStringValue(dataTypeInfo(c.dataType), c.text);
        EXPECT_EQ(reading.ok(), c.bytes.has_value()) << reading.problem;
        EXPECT_EQ(std::string(reading.bytes.begin(), reading.bytes.end()), c.bytes.value_or(""));
    }
    EXPECT_EQ(readStringValue(dataTypeInfo(0x0A), "0G").problem, "'0G' is not hexadecimal bytes (such as 01 02 0A)");
}

// A string goes out whole: up to four bytes expedited, above in a segmented transfer whose
// initiate frame carries the size. A string that writes nothing refuses the file.
TEST_F(StringSections, AreWrittenWholeAndChecked)
{
    struct Case {
        const char* dcf;
        DownloadPlan::Action action;
        const char* frame;
    } cases[] = {
        {"[2F00]\nDataType=0x0009\nParameterValue=Line 4\n", DownloadPlan::Action::Send, "605#21002F0006000000"},
        {"[2F00]\nDataType=0x0009\nParameterValue=ab\n", DownloadPlan::Action::Send, "605#2B002F0061620000"},
        {"[2F01]\nDataType=0x000A\nParameterValue=DE AD BE EF 01\n", DownloadPlan::Action::Send, "605#21012F0005000000"},
        {"[2F01]\nDataType=0x000A\nParameterValue=DEADBEEZ\n", DownloadPlan::Action::BadValue, "605#00012F0000000000"},
        {"[1F50sub1]\nDataType=0x000F\nParameterValue=0102\n", DownloadPlan::Action::Skip, "605#00501F0100000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dcf);
        DCFFile file;
        ASSERT_TRUE(file.loadText(c.dcf));
        const DownloadPlan plan = planDownload(file.sections().front(), 5);
        EXPECT_EQ(plan.action, c.action);
        char frame[32];
        int used = std::snprintf(frame, sizeof frame, "%03X#", plan.frame.identifier);
        for (int i = 0; i < 8; ++i)
            used += std::snprintf(frame + used, sizeof frame - static_cast<std::size_t>(used), "%02X", plan.frame.data[i]);
        EXPECT_EQ(std::string(frame), c.frame);
    }
    DCFFile file;
    ASSERT_TRUE(file.loadText("[2F01]\nDataType=0x000A\nParameterValue=DEADBEEZ\n"));
    EXPECT_EQ(badValues(file.sections(), 5),
              std::vector<std::string>{
                  "line 3: ParameterValue 'DEADBEEZ' is not hexadecimal bytes (such as 01 02 0A) for OCTET_STRING"});
}
