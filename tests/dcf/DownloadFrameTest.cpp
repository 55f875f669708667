// The SDO download frame of a DCF section and the reading of the numbers in it: the frame and
// problem lines of each section, one text per way of reading a number, and the public DCF files.

#include "common/Log.h"
#include "dcf/DownloadFrame.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <cstdint>
#include <string>
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
        // A value that does not fit its type is refused, never cut to the type's bytes.
        {"UNSIGNED8 beyond its range",
         "[2000]\nDataType=5\nParameterValue=300\n",
         5,
         "605#2F00200000000000",
         {"Section at line 1: ParameterValue '300' is out of range (0..255) for UNSIGNED8"}},
        {"UNSIGNED16 upper-case X, low byte first", "[1017]\nDataType=6\nParameterValue=0X1234\n", 5, "605#2B17100034120000"},
        {"UNSIGNED32 full range", "[1800sub1]\nDataType=7\nParameterValue=0xFFFFFFFF\n", 5, "605#23001801FFFFFFFF"},
        {"BOOLEAN in one byte", "[2000]\nDataType=0x0001\nParameterValue=1\n", 5, "605#2F00200001000000"},
        {"negative INTEGER8", "[2000]\nDataType=2\nParameterValue=-0x7f\n", 5, "605#2F00200081000000"},
        {"INTEGER32 as its bit pattern", "[2000]\nDataType=4\nParameterValue=0x80000000\n", 5, "605#2300200000000080"},
        {"UNSIGNED32 at a sub-entry, CR after the numbers", "[2001sub3]\r\nDataType=0x0007\r\nParameterValue=0x12345678\r\n", 5,
         "605#2301200378563412"},
        {"bracket after a hexadecimal sub-entry", "[2001sub0x0A]\nDataType=5\nParameterValue=1\n", 5, "605#2F01200A01000000"},
        {"sub-index keeps the low byte", "[2000]\nSubNumber=300\nDataType=5\nParameterValue=1\n", 5, "605#2F00202C01000000"},
        {"header sub-entry is hexadecimal, index in lower case", "[1a00Sub1A]\nDataType=5\nParameterValue=1\n", 5,
         "605#2F001A1A01000000"},
        {"COB-ID relative to the node", "[1800sub1]\nDataType=7\nParameterValue=$NODEID+0x180\n", 5, "605#2300180185010000"},
        {"node ID added at the end", "[1800sub1]\nDataType=7\nParameterValue=0x80000200+$NODEID\r\n", 32,
         "620#2300180120020080"},
        {"node ID alone, node 127", "[2000]\nDataType=5\nParameterValue=$NodeId\n", 127, "67F#2F0020007F000000"},
        // Texts that are no number read as 0; each gives a line for the technician.
        {"ParameterValue, its CR not quoted",
         "; KAVRO\r\n\r\n[2000]\r\nDataType=5\r\nParameterValue=abc\r\n",
         5,
         "605#2F00200000000000",
         {"Section at line 3: ParameterValue 'abc' is not a number (decimal, or hexadecimal with 0x; allowed: 0..255) for UNSIGNED8"}},
        {"UNSIGNED32 wider than 32 bits",
         "[2000]\nDataType=7\nParameterValue=0x100000000\n",
         5,
         "605#2300200000000000",
         {"Section at line 1: ParameterValue '0x100000000' is out of range (0..4294967295) for UNSIGNED32"}},
        {"INTEGER16 beyond its range",
         "[2000]\nDataType=3\nParameterValue=-32769\n",
         5,
         "605#2B00200000000000",
         {"Section at line 1: ParameterValue '-32769' is out of range (-32768..32767) for INTEGER16"}},
        {"a sign on an UNSIGNED16",
         "[2000]\nDataType=6\nParameterValue=-1\n",
         5,
         "605#2B00200000000000",
         {"Section at line 1: ParameterValue '-1' is not a number (decimal, or hexadecimal with 0x; allowed: 0..65535) for UNSIGNED16"}},
        {"DataType",
         "[2000]\nDataType=UNSIGNED8\nParameterValue=1\n",
         5,
         "605#0000200000000000",
         {"Section at line 1: DataType 'UNSIGNED8' is not a number"}},
        {"SubNumber",
         "[2000]\nSubNumber=one\nDataType=5\nParameterValue=1\n",
         5,
         "605#2F00200001000000",
         {"Section at line 1: SubNumber 'one' is not a number"}},
        {"sub-entry that is no number",
         "[1600subZ]\nDataType=7\nParameterValue=0x60000108\n",
         5,
         "605#2300160008010060",
         {"Section at line 1: SubNumber '0xz' is not a number"}},
        {"name section",
         "[DeviceInfo]\nVendorName=KAVRO\n",
         5,
         "605#0000DE0000000000",
         {"Section at line 1: object index 'Devi' is not a number", "Section at line 1 has no DataType",
          "Section at line 1 has no ParameterValue"}},
        {"short header",
         "[\nDataType=5\nParameterValue=1\n",
         5,
         "605#2F00000001000000",
         {"Section at line 1: object index '' is not a number"}},
        {"VISIBLE_STRING above four bytes: the initiate frame with its size", "[1008]\nDataType=9\nParameterValue=KS-40\n", 5,
         "605#2108100005000000"},
        {"value of an unwritten type is not read", "[2000]\nDataType=8\nParameterValue=1.5\n", 5, "605#0000200000000000"},
        // A missing key sends no value.
        {"no DataType", "[2000sub1]\nParameterValue=5\n", 5, "605#0000200100000000", {"Section at line 1 has no DataType"}},
        {"no ParameterValue, DataType not read",
         "[2000sub1]\nDataType=abc\n",
         5,
         "605#0000200100000000",
         {"Section at line 1 has no ParameterValue"}},
    };
    CanFrame frame;
    std::memset(static_cast<void*>(&frame), 0xAA, sizeof frame);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> problems{"earlier line"};
        DCFFile file;
        ASSERT_TRUE(file.loadText(c.dcf));
        buildDownloadFrame(file.sections().front(), c.node, frame, &problems);
        EXPECT_EQ(text(frame), c.frame);
        EXPECT_EQ(frame.messageType, 0);
        EXPECT_EQ(frame.milliseconds, 0u);
        std::vector<std::string> expected{"earlier line"};
        expected.insert(expected.end(), c.problems.begin(), c.problems.end());
        EXPECT_EQ(problems, expected);
    }
}

// One text per way of reading a number: hexadecimal as soon as a lower-case "x" appears, with
// blanks, sign and what follows the digits; decimal otherwise ("0X1f" is 0); the edges of the
// signed and unsigned ranges, a magnitude that must not overflow, and texts without digits.
TEST(ReadNumber, HexadecimalAndDecimalTextsAndTheirRanges)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> value; // nothing: no number, read as 0
    } cases[] = {
        {" -0x1f]\r", -31},
        {"12 x", 0x12},
        {"0X1f", 0},
        {"0x00000000000000000000000000000000000001", 1},
        {"-2147483648", INT32_MIN},
        {"\t 2147483648", {}},
        {"-2147483649", {}},
        {"0x100000000", {}},
        {"99999999999999999999999999", {}},
        {"0x", {}},
        {"$NODEID+0x80", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + std::string(c.text) + "'");
        bool ok = !c.value;
        EXPECT_EQ(readNumber(c.text, &ok), c.value.value_or(0));
        EXPECT_EQ(ok, c.value.has_value());
    }
}

// Real files of public CANopen projects, byte for byte (see the folder's README.md), some with
// CR LF line ends: one section per header, and every number they write is read (the names of
// name sections such as [DeviceInfo] are the only texts taken for no number).
TEST_F(DownloadFramePublicFiles, EveryNumberOfTheFilesIsRead)
{
    const std::string folder = VELDRIS_SOURCE_DIR "/../shared/testdata/dcf-public";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "public DCF files not found";
    const std::map<std::string, std::size_t> files = {{"lely-co-sdev.dcf", 37},
                                                      {"lely-coctl.dcf", 55},
                                                      {"python-canopen-sample.eds", 127},
                                                      {"python-canopen-e35.eds", 1112},
                                                      {"canopennode-DS301_profile.eds", 200}};
    int crLfFiles = 0;
    int written = 0;
    for (const auto& [name, count] : files) {
        SCOPED_TRACE(name);
        DCFFile file;
        ASSERT_TRUE(file.load(folder + "/" + name));
        ASSERT_EQ(file.sections().size(), count);
        std::ifstream in(folder + "/" + name, std::ios::binary);
        crLfFiles += std::string{std::istreambuf_iterator<char>(in), {}}.find("\r\n") != std::string::npos;
        std::vector<std::string> problems;
        for (const DCFSection& s : file.sections()) {
            CanFrame frame;
            buildDownloadFrame(s, 5, frame, &problems);
            written += frame.data[0] != 0;
        }
        for (const std::string& line : problems) {
            EXPECT_TRUE(line.find("not a number") == line.npos || line.find("object index") != line.npos)
                << line << ": only the names of name sections are no numbers";
        }
    }
    EXPECT_GT(crLfFiles, 0);
    EXPECT_GT(written, 40) << "the UNSIGNED8/16/32 ParameterValue sections are written";
}
