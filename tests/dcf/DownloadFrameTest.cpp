// The SDO download frame of a DCF section and the reading of the numbers in it: the frame and
// problem lines of each section, hexadecimal and decimal texts, texts that are no number, and
// the public DCF files.

#include "common/Log.h"
#include "dcf/DownloadFrame.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

using namespace veldris;

namespace {

// "605#2301200378563412": identifier, then the data bytes.
std::string text(const CanFrame& frame)
{
    char out[40];
    int used = std::snprintf(out, sizeof out, "%03X#", frame.identifier);
    for (int i = 0; i < frame.length && i < 8; ++i)
        used += std::snprintf(out + used, sizeof out - static_cast<std::size_t>(used), "%02X", frame.data[i]);
    return out;
}

// The first section of a DCF text; the sections are written as a technician writes them.
DCFSection section(const std::string& dcf)
{
    DCFFile file;
    file.loadText(dcf);
    return file.sections().empty() ? DCFSection{} : file.sections().front();
}

// What the standard library makes of a number text: stream extraction in hexadecimal mode
// for a text holding a lower-case "x", std::stoi otherwise. Nothing when it fails.
std::optional<std::int64_t> standardReading(const std::string& number, bool unsignedValue)
{
    if (number.find('x') == std::string::npos) {
        try {
            const int value = std::stoi(number);
            if (unsignedValue)
                return static_cast<std::uint32_t>(value);
            return value;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    std::istringstream in(number);
    std::int64_t value = 0;
    if (unsignedValue) {
        std::uint32_t u = 0;
        in >> std::hex >> u;
        value = u;
    } else {
        std::int32_t i = 0;
        in >> std::hex >> i;
        value = i;
    }
    return in.fail() ? std::nullopt : std::optional<std::int64_t>(value);
}

using DownloadFrame = QuietDiagnostics;
using DownloadFramePublicFiles = QuietDiagnostics;

} // namespace

// All sections go through one frame that starts out full of foreign bytes: nothing of the
// frame before may go out with a section (a section without value or sub-index after one with
// them shows it). Problem lines are added after those of the sections before.
TEST_F(DownloadFrame, FrameAndProblemLinesOfEachSection)
{
    struct Case {
        const char* what;
        const char* dcf;
        std::uint8_t node;
        const char* frame;
        std::vector<std::string> problems = {};
    } cases[] = {
        {"UNSIGNED32 at a sub-entry", "[2001sub3]\nDataType=0x0007\nParameterValue=0x12345678\n", 5, "605#2301200378563412"},
        {"UNSIGNED8 keeps the low byte", "[2000]\nDataType=5\nParameterValue=300\n", 5, "605#2F0020002C000000"},
        {"UNSIGNED16 low byte first", "[1017]\nDataType=0x0006\nParameterValue=1000\n", 5, "605#2B171000E8030000"},
        {"UNSIGNED16 keeps the low 16 bits", "[1017]\nDataType=6\nParameterValue=0x12345\n", 5, "605#2B17100045230000"},
        {"UNSIGNED32 full range", "[1800sub1]\nDataType=7\nParameterValue=0xFFFFFFFF\n", 5, "605#23001801FFFFFFFF"},
        {"BOOLEAN in one byte", "[2000]\nDataType=0x0001\nParameterValue=1\n", 5, "605#2F00200001000000"},
        {"negative INTEGER8", "[2000]\nDataType=2\nParameterValue=-0x7f\n", 5, "605#2F00200081000000"},
        {"INTEGER32 as its bit pattern", "[2000]\nDataType=4\nParameterValue=0x80000000\n", 5, "605#2300200000000080"},
        {"negative INTEGER16", "[2000]\nDataType=3\nParameterValue=-2\n", 5, "605#2B002000FEFF0000"},
        {"CR after the numbers", "[2001sub3]\r\nDataType=0x0007\r\nParameterValue=0x12345678\r\n", 5, "605#2301200378563412"},
        {"bracket after a hexadecimal sub-entry", "[2001sub0x0A]\nDataType=5\nParameterValue=1\n", 5, "605#2F01200A01000000"},
        {"sub-index keeps the low byte", "[2000]\nSubNumber=300\nDataType=5\nParameterValue=1\n", 5, "605#2F00202C01000000"},
        {"header sub-entry is hexadecimal, index in lower case", "[1a00Sub12]\nDataType=5\nParameterValue=1\n", 5,
         "605#2F001A1201000000"},
        {"first of duplicate keys", "[2000]\nDataType=5\nDataType=7\nParameterValue=1\nParameterValue=2\n", 5,
         "605#2F00200001000000"},
        {"node 127", "[2000]\nDataType=5\nParameterValue=1\n", 127, "67F#2F00200001000000"},
        {"COB-ID relative to the node", "[1800sub1]\nDataType=7\nParameterValue=$NODEID+0x180\n", 5, "605#2300180185010000"},
        {"node ID added at the end", "[1800sub1]\nDataType=7\nParameterValue=0x80000200+$NODEID\r\n", 32, "620#2300180120020080"},
        {"node ID alone", "[2000]\nDataType=5\nParameterValue=$NodeId\n", 9, "609#2F00200009000000"},
        // Texts that are no number read as 0; each gives a line for the technician.
        {"ParameterValue", "; KAVRO\n\n[2000]\nDataType=5\nParameterValue=abc\n", 5, "605#2F00200000000000",
         {"Section at line 3: ParameterValue 'abc' is not a number"}},
        {"ParameterValue with CR", "[2000]\r\nDataType=5\r\nParameterValue=abc\r\n", 5, "605#2F00200000000000",
         {"Section at line 1: ParameterValue 'abc' is not a number"}},
        {"empty ParameterValue", "[2000]\nDataType=6\nParameterValue=\n", 5, "605#2B00200000000000",
         {"Section at line 1: ParameterValue '' is not a number"}},
        {"UNSIGNED32 wider than 32 bits", "[2000]\nDataType=7\nParameterValue=0x100000000\n", 5, "605#2300200000000000",
         {"Section at line 1: ParameterValue '0x100000000' is not a number"}},
        {"UNSIGNED16 hexadecimal beyond the signed range", "[2000]\nDataType=6\nParameterValue=0xFFFFFFFF\n", 5,
         "605#2B00200000000000", {"Section at line 1: ParameterValue '0xFFFFFFFF' is not a number"}},
        {"DataType", "[2000]\nDataType=UNSIGNED8\nParameterValue=1\n", 5, "605#0000200000000000",
         {"Section at line 1: DataType 'UNSIGNED8' is not a number"}},
        {"SubNumber", "[2000]\nSubNumber=one\nDataType=5\nParameterValue=1\n", 5, "605#2F00200001000000",
         {"Section at line 1: SubNumber 'one' is not a number"}},
        {"hexadecimal sub-entry A in the header", "[1600subA]\nDataType=7\nParameterValue=0x60000108\n", 5,
         "605#2300160A08010060"},
        {"sub-entry that is no number", "[1600subZ]\nDataType=7\nParameterValue=0x60000108\n", 5,
         "605#2300160008010060", {"Section at line 1: SubNumber '0xz' is not a number"}},
        {"name section", "[DeviceInfo]\nVendorName=KAVRO\n", 5, "605#0000DE0000000000",
         {"Section at line 1: object index 'Devi' is not a number", "Section at line 1 has no DataType",
          "Section at line 1 has no ParameterValue"}},
        {"short header", "[\nDataType=5\nParameterValue=1\n", 5, "605#2F00000001000000",
         {"Section at line 1: object index '' is not a number"}},
        {"value of an unwritten type is not read", "[1008]\nDataType=9\nParameterValue=KS-40\n", 5, "605#0008100000000000"},
        // A missing key sends no value.
        {"no DataType", "[2000sub1]\nParameterValue=5\n", 5, "605#0000200100000000", {"Section at line 1 has no DataType"}},
        {"no ParameterValue", "[2000sub1]\nDataType=5\n", 5, "605#0000200100000000", {"Section at line 1 has no ParameterValue"}},
        {"no ParameterValue, DataType not read", "[2000sub1]\nDataType=abc\n", 5, "605#0000200100000000",
         {"Section at line 1 has no ParameterValue"}},
        {"keys are case-sensitive", "[2000]\ndatatype=5\nparametervalue=1\n", 5, "605#0000200000000000",
         {"Section at line 1 has no DataType", "Section at line 1 has no ParameterValue"}},
    };
    CanFrame frame;
    std::memset(static_cast<void*>(&frame), 0xAA, sizeof frame);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> problems{"earlier line"};
        buildDownloadFrame(section(c.dcf), c.node, frame, &problems);
        EXPECT_EQ(text(frame), c.frame);
        EXPECT_EQ(frame.messageType, 0);
        EXPECT_EQ(frame.milliseconds, 0u);
        std::vector<std::string> expected{"earlier line"};
        expected.insert(expected.end(), c.problems.begin(), c.problems.end());
        EXPECT_EQ(problems, expected);
    }
}

// Texts at the edges of the readings, signed and for UNSIGNED32, with and without `ok`; the
// comparison with the standard conversions below covers the common forms.
TEST(ReadNumber, SignedAndUnsignedReadings)
{
    struct Case {
        const char* text;
        std::int32_t value;
        bool ok;
        std::uint32_t unsignedValue;
        bool unsignedOk;
    } cases[] = {
        {"0X10", 0, true, 0, true},               // no lower-case "x": decimal 0
        {"12 x", 0x12, true, 0x12, true},         // a lower-case "x" anywhere: hexadecimal
        {"0x0", 0, true, 0, true},
        {"0x00000000000000000000000000000000000001", 1, true, 1, true},
        {"2147483647", INT_MAX, true, 0x7FFFFFFFu, true},
        {"-2147483648", INT_MIN, true, 0x80000000u, true},
        {"-1", -1, true, 0xFFFFFFFFu, true},
        {"-0x1", -1, true, 0xFFFFFFFFu, true},
        {"-0x80000001", 0, false, 0x7FFFFFFFu, true},
        {"-0xFFFFFFFF", 0, false, 1, true},
        {"4294967295", 0, false, 0, false},       // decimal numbers fit the signed range, also for UNSIGNED32
        {"-2147483649", 0, false, 0, false},
        {"99999999999999999999999999", 0, false, 0, false},
        {"0x7fffffffffffffff", 0, false, 0, false},
        {"$NODEID+0x80", 0, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        bool ok = !c.ok;
        EXPECT_EQ(readNumber(c.text, &ok), c.value);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(readNumber(c.text), c.value);
        ok = !c.unsignedOk;
        EXPECT_EQ(readUnsignedNumber(c.text, &ok), c.unsignedValue);
        EXPECT_EQ(ok, c.unsignedOk);
        EXPECT_EQ(readUnsignedNumber(c.text), c.unsignedValue);
    }
}

// Every combination of blanks, sign, prefix, digits and what follows them reads as the
// standard conversions read it, or as 0 and not ok where they fail.
TEST(ReadNumber, AgreesWithTheStandardConversions)
{
    const char* leads[] = {"", " ", "\r", "\t ", "-", "+", " -"};
    const char* prefixes[] = {"", "0", "0x", "0X", "x", "00x"};
    const char* digits[] = {"", "1f", "7fffffff", "80000000", "ffffffff", "100000000", "2147483648", "42", "g"};
    const char* tails[] = {"", "]", "\r", "x", " 5", "]\r"};
    for (const char* lead : leads)
        for (const char* prefix : prefixes)
            for (const char* digit : digits)
                for (const char* tail : tails) {
                    const std::string number = std::string(lead) + prefix + digit + tail;
                    SCOPED_TRACE("'" + number + "'");
                    bool ok = false;
                    const std::optional<std::int64_t> expected = standardReading(number, false);
                    EXPECT_EQ(readNumber(number, &ok), expected.value_or(0));
                    EXPECT_EQ(ok, expected.has_value());
                    const std::optional<std::int64_t> expectedUnsigned = standardReading(number, true);
                    EXPECT_EQ(readUnsignedNumber(number, &ok), expectedUnsigned.value_or(0));
                    EXPECT_EQ(ok, expectedUnsigned.has_value());
                }
}

// Real files of public CANopen projects: every problem line names something that really is
// missing or really is no number for the standard conversions. A copy without CRs gives the
// same keys, frames and problem lines: the CRs that the key lines of a CR LF file keep change
// nothing.
TEST_F(DownloadFramePublicFiles, FramesReportOnlyRealProblems)
{
    const std::string folder = VELDRIS_SOURCE_DIR "/../shared/testdata/dcf-public";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "public DCF files not found";
    int files = 0;
    int crLfFiles = 0;
    int written = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".dcf" && extension != ".eds")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        crLfFiles += bytes.find("\r\n") != std::string::npos;
        DCFFile file;
        DCFFile lfCopy;
        ASSERT_TRUE(file.loadText(bytes));
        bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
        ASSERT_TRUE(lfCopy.loadText(bytes));
        ASSERT_EQ(lfCopy.sections().size(), file.sections().size());
        for (std::size_t i = 0; i < file.sections().size(); ++i) {
            const DCFSection& s = file.sections()[i];
            CanFrame frame;
            CanFrame lfFrame;
            std::vector<std::string> problems;
            std::vector<std::string> lfProblems;
            buildDownloadFrame(s, 5, frame, &problems);
            buildDownloadFrame(lfCopy.sections()[i], 5, lfFrame, &lfProblems);
            EXPECT_EQ(s.keys, lfCopy.sections()[i].keys);
            EXPECT_EQ(text(frame), text(lfFrame));
            EXPECT_EQ(problems, lfProblems);
            EXPECT_EQ(frame.identifier, 0x605u);
            EXPECT_EQ(frame.length, 8);
            written += frame.data[0] != 0;
            const std::string prefix = "Section at line " + std::to_string(s.headerLine);
            for (const std::string& line : problems) {
                SCOPED_TRACE(line);
                ASSERT_EQ(line.rfind(prefix, 0), 0u);
                const std::string rest = line.substr(prefix.size());
                if (rest == " has no DataType" || rest == " has no ParameterValue") {
                    EXPECT_EQ(s.value(rest.substr(8)), nullptr);
                    continue;
                }
                const std::size_t open = rest.find('\'');
                const std::size_t close = rest.rfind("' is not a number");
                ASSERT_TRUE(open != std::string::npos && close != std::string::npos && close > open);
                const std::string what = rest.substr(2, open - 3);
                const std::string number = rest.substr(open + 1, close - open - 1);
                if (what == "object index") {
                    EXPECT_EQ(number, s.index);
                    const std::string high = number.substr(0, 2);
                    const std::string low = number.size() > 2 ? number.substr(2, 2) : std::string();
                    EXPECT_TRUE(!standardReading("0x" + high, false) || !standardReading("0x" + low, false));
                } else {
                    ASSERT_NE(s.value(what), nullptr);
                    const std::string* dataType = s.value("DataType");
                    const bool unsigned32 = what == "ParameterValue" && standardReading(*dataType, false) == 7;
                    EXPECT_FALSE(standardReading(*s.value(what), unsigned32));
                }
            }
        }
    }
    EXPECT_EQ(files, 5);
    EXPECT_GT(crLfFiles, 0);
    EXPECT_GT(written, 40) << "the UNSIGNED8/16/32 ParameterValue sections are written";
}
