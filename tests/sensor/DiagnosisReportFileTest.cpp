// The diagnostic report file, byte for byte, and a failed export.

#include "sensor/DiagnosisReport.h"
#include "sensor/DiagnosisReportFile.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using namespace veldris;

// The header, the results or the block that says there are none; a failed export; result lines
// that begin with the local time.
TEST(DiagnosisReportFile, WithAndWithoutResultsAndTheLocalTime)
{
    const std::string header = "KAVRO GmbH Diagnostic Report\n--------------------------------\n";
    const std::string none = "-- NO RESULTS --\n\nStart a diagnose to get results\n\n";
    TemporaryDirectory dir;
    ASSERT_TRUE(writeReport(dir.file("none.txt"), {}, false));
    EXPECT_EQ(dir.read("none.txt"), header + none);

    const std::vector<std::string> lines = {
        "09:00:00 | --- START ---\n",   "UID: 0x06102200",         "",
        "09:00:05 | [DIAGNOSE] PASSED", "09:00:05 | --- DONE ---", "======================================\n"};
    ASSERT_TRUE(writeReport(dir.file("run.txt"), lines, true));
    EXPECT_EQ(dir.read("run.txt"), header
                                       + "09:00:00 | --- START ---\n\nUID: 0x06102200\n\n"
                                         "09:00:05 | [DIAGNOSE] PASSED\n09:00:05 | --- DONE ---\n"
                                         "======================================\n\n");
    // Lines without results (a Reset emptied the results, not the buffer) still get the block.
    ASSERT_TRUE(writeReport(dir.file("lines.txt"), {"09:00:00 | --- START ---\n"}, false));
    EXPECT_EQ(dir.read("lines.txt"), header + "09:00:00 | --- START ---\n\n" + none);
    // Written through common/AtomicFile, whose failures (and what they leave) are checked there.
    std::string error;
    EXPECT_FALSE(writeReport(dir.file("no/such/folder/report.txt"), {"line"}, true, &error));
    EXPECT_FALSE(error.empty());

    std::tm morning{};
    ASSERT_TRUE(::strptime("2026-12-06 09:05:07", "%Y-%m-%d %H:%M:%S", &morning));
    morning.tm_isdst = -1;
    EXPECT_EQ(resultLine({false, "PDO", "OK"}, std::mktime(&morning)), "09:05:07 | [PDO] OK");
}
