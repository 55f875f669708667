// The SDO download frame of a DCF section and the reading of the numbers in it: the frame and
// problem lines of each section, hexadecimal and decimal texts, texts that are no number, and
// the public DCF files.

#include "common/Log.h"
#include "dcf/DownloadFrame.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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
            return unsignedValue ? std::int64_t{static_cast<std::uint32_t>(value)} : value;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    std::istringstream in(number);
    std::uint32_t u = 0;
    std::int32_t i = 0;
    unsignedValue ? void(in >> std::hex >> u) : void(in >> std::hex >> i);
    return in.fail() ? std::nullopt : std::optional<std::int64_t>(unsignedValue ? std::int64_t{u} : i);
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
        {"UNSIGNED8 keeps the low byte", "[2000]\nDataType=5\nParameterValue=300\n", 5, "605#2F0020002C000000"},
        {"UNSIGNED16 keeps the low 16 bits, low byte first", "[1017]\nDataType=6\nParameterValue=0x12345\n", 5, "605#2B17100045230000"},
        {"UNSIGNED32 full range", "[1800sub1]\nDataType=7\nParameterValue=0xFFFFFFFF\n", 5, "605#23001801FFFFFFFF"},
        {"BOOLEAN in one byte", "[2000]\nDataType=0x0001\nParameterValue=1\n", 5, "605#2F00200001000000"},
        {"negative INTEGER8", "[2000]\nDataType=2\nParameterValue=-0x7f\n", 5, "605#2F00200081000000"},
        {"INTEGER32 as its bit pattern", "[2000]\nDataType=4\nParameterValue=0x80000000\n", 5, "605#2300200000000080"},
        {"negative INTEGER16", "[2000]\nDataType=3\nParameterValue=-2\n", 5, "605#2B002000FEFF0000"},
        {"UNSIGNED32 at a sub-entry, CR after the numbers", "[2001sub3]\r\nDataType=0x0007\r\nParameterValue=0x12345678\r\n", 5, "605#2301200378563412"},
        {"bracket after a hexadecimal sub-entry", "[2001sub0x0A]\nDataType=5\nParameterValue=1\n", 5, "605#2F01200A01000000"},
        {"sub-index keeps the low byte", "[2000]\nSubNumber=300\nDataType=5\nParameterValue=1\n", 5, "605#2F00202C01000000"},
        {"header sub-entry is hexadecimal, index in lower case", "[1a00Sub1A]\nDataType=5\nParameterValue=1\n", 5,
         "605#2F001A1A01000000"},
        {"first of duplicate keys", "[2000]\nDataType=5\nDataType=7\nParameterValue=1\nParameterValue=2\n", 5,
         "605#2F00200001000000"},
        {"COB-ID relative to the node", "[1800sub1]\nDataType=7\nParameterValue=$NODEID+0x180\n", 5, "605#2300180185010000"},
        {"node ID added at the end", "[1800sub1]\nDataType=7\nParameterValue=0x80000200+$NODEID\r\n", 32, "620#2300180120020080"},
        {"node ID alone, node 127", "[2000]\nDataType=5\nParameterValue=$NodeId\n", 127, "67F#2F0020007F000000"},
        // Texts that are no number read as 0; each gives a line for the technician.
        {"ParameterValue, its CR not quoted", "; KAVRO\r\n\r\n[2000]\r\nDataType=5\r\nParameterValue=abc\r\n", 5,
         "605#2F00200000000000", {"Section at line 3: ParameterValue 'abc' is not a number"}},
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

// Every combination of blanks, sign, prefix, digits and what follows them, and texts at the
// edges of the readings (long runs of zeros, one past the signed range, beyond 64 bits),
// read as the standard conversions read them, or as 0 and not ok where they fail; with
// and without `ok`.
TEST(ReadNumber, AgreesWithTheStandardConversions)
{
    std::vector<std::string> numbers = {"0x00000000000000000000000000000000000001", "-0x80000001", "-2147483649",
                                        "99999999999999999999999999", "0x7fffffffffffffff", "12 x", "$NODEID+0x80"};
    const char* leads[] = {"", " ", "\r", "\t ", "-", "+", " -"};
    const char* prefixes[] = {"", "0", "0x", "0X", "x", "00x"};
    const char* digits[] = {"", "1f", "7fffffff", "80000000", "ffffffff", "100000000", "2147483648", "42", "g"};
    const char* tails[] = {"", "]", "\r", "x", " 5", "]\r"};
    for (const char* lead : leads)
        for (const char* prefix : prefixes)
            for (const char* digit : digits)
                for (const char* tail : tails)
                    numbers.push_back(std::string(lead) + prefix + digit + tail);
    for (const std::string& number : numbers) {
        SCOPED_TRACE("'" + number + "'");
        const std::optional<std::int64_t> expected = standardReading(number, false);
        bool ok = !expected;
        EXPECT_EQ(readNumber(number, &ok), expected.value_or(0));
        EXPECT_EQ(ok, expected.has_value());
        EXPECT_EQ(readNumber(number), expected.value_or(0));
        const std::optional<std::int64_t> expectedUnsigned = standardReading(number, true);
        ok = !expectedUnsigned;
        EXPECT_EQ(readUnsignedNumber(number, &ok), expectedUnsigned.value_or(0));
        EXPECT_EQ(ok, expectedUnsigned.has_value());
        EXPECT_EQ(readUnsignedNumber(number), expectedUnsigned.value_or(0));
    }
}

// Real files of public CANopen projects, byte for byte (see the folder's README.md): one
// section per header, and every problem line of their frames names something that really is
// missing or really is no number for the standard conversions. A copy without CRs gives the
// same keys, frames and problem lines: the CRs that the key lines of a CR LF file keep change
// nothing.
TEST_F(DownloadFramePublicFiles, SectionsAndFramesReportOnlyRealProblems)
{
    const std::string folder = VELDRIS_SOURCE_DIR "/../shared/testdata/dcf-public";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "public DCF files not found";
    const std::map<std::string, std::size_t> headers = {{"lely-co-sdev.dcf", 37}, {"lely-coctl.dcf", 55},
                                                        {"python-canopen-sample.eds", 127}, {"python-canopen-e35.eds", 1112},
                                                        {"canopennode-DS301_profile.eds", 200}};
    int crLfFiles = 0;
    int written = 0;
    for (const auto& [name, count] : headers) {
        SCOPED_TRACE(name);
        DCFFile file;
        ASSERT_TRUE(file.load(folder + "/" + name));
        ASSERT_EQ(file.sections().size(), count);
        std::ifstream in(folder + "/" + name, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        crLfFiles += bytes.find("\r\n") != std::string::npos;
        bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
        DCFFile lfCopy;
        ASSERT_TRUE(lfCopy.loadText(bytes));
        ASSERT_EQ(lfCopy.sections().size(), count);
        std::int32_t previous = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const DCFSection& s = file.sections()[i];
            SCOPED_TRACE(s.headerLine);
            EXPECT_GT(s.headerLine, std::exchange(previous, s.headerLine));
            EXPECT_EQ(s.index.size(), 4u);
            const std::string& header = file.lines().at(static_cast<std::size_t>(s.headerLine));
            EXPECT_EQ(header.front(), '[');
            if (header.find("sub") != std::string::npos) {
                EXPECT_NE(s.value("SubNumber"), nullptr);
            }
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
    EXPECT_GT(crLfFiles, 0);
    EXPECT_GT(written, 40) << "the UNSIGNED8/16/32 ParameterValue sections are written";
}
