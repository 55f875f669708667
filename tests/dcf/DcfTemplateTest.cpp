// A DCF read from a sensor: values written back in the style of their template, and the
// template's bytes around them unchanged.

#include "dcf/DcfTemplate.h"
#include "dcf/DcfValue.h"
#include "dcf/ValueText.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace veldris;

namespace {

using Kind = DataTypeInfo::Kind;

DcfValue numberValue(std::int64_t number)
{
    return {Kind::Number, number, {}};
}

DcfValue stringValue(Kind kind, const std::string& bytes)
{
    return {kind, 0, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}

using TemplateEdits = QuietDiagnostics;

} // namespace

TEST(ValueText, ASensorValueInTheStyleOfItsTemplate)
{
    struct Case {
        const char* templateText;
        std::int32_t dataType;
        DcfValue value;
        std::optional<std::uint8_t> node;
        const char* text;
    } cases[] = {
        {"350", 0x06, numberValue(200), 5, "200"},
        {"0x0064", 0x06, numberValue(500), 5, "0x01F4"},
        {"0x1", 0x07, numberValue(0x12345678), 5, "0x12345678"},
        {"0Xff", 0x05, numberValue(0xAB), 5, "0Xab"},
        {"-5\r", 0x03, numberValue(-300), 5, "-300"},
        {"0x0000", 0x03, numberValue(-2), 5, "0xFFFE"},
        {"$NODEID+0x180", 0x07, numberValue(0x185), 5, "$NODEID+0x180"},
        {"0x200+$NodeId", 0x07, numberValue(0x2A0), 32, "0x280+$NodeId"},
        {"$NODEID", 0x05, numberValue(5), 5, "$NODEID"},
        {"$NODEID", 0x05, numberValue(7), 5, "$NODEID+2"},
        {"$NODEID+0x180", 0x07, numberValue(3), 5, "0x003"},
        {"$NODEID+0x180", 0x07, numberValue(0x185), std::nullopt, "0x185"},
        {"name", 0x09, stringValue(Kind::VisibleString, "Line 4"), 5, "Line 4"},
        {"01 02", 0x0A, stringValue(Kind::OctetString, "\x0A\xFF"), 5, "0A FF"},
        {"0102", 0x0A, stringValue(Kind::OctetString, "\x0A\xFF"), 5, "0AFF"},
        {"ab cd", 0x0A, stringValue(Kind::OctetString, "\x0A\xFF"), 5, "0a ff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templateText);
        EXPECT_EQ(valueTextLike(c.templateText, c.value, dataTypeInfo(c.dataType), c.node), c.text);
    }
    EXPECT_TRUE(fitsOnALine({'a', ' ', 'b'}));
    EXPECT_FALSE(fitsOnALine({'a', ' '}));
    EXPECT_FALSE(fitsOnALine({'a', '\n', 'b'}));
}

// Only the ParameterValue of an edited section changes; an entry that could not be read loses
// every ParameterValue line, whatever line end the file has.
TEST_F(TemplateEdits, EverythingButTheEditedValuesStaysByteForByte)
{
    struct Case {
        const char* what;
        std::string before;
        ParameterValueEdits edits;
        std::string after;
    } cases[] = {
        {"a value, blanks and comments kept",
         "; old sensor\n[FileInfo]\nFileName=a.dcf\n\n[1017]\nParameterName=Heartbeat\nParameterValue =  350  \n"
         "DataType=0x0006\n;end\n",
         {{5, "200"}},
         "; old sensor\n[FileInfo]\nFileName=a.dcf\n\n[1017]\nParameterName=Heartbeat\nParameterValue =  200  \n"
         "DataType=0x0006\n;end\n"},
        {"CR LF line ends, no line feed at the end",
         "[1017]\r\nDataType=6\r\nParameterValue=350\r\n[1800sub5]\r\nDataType=6\r\nParameterValue=0x0032",
         {{1, "200"}, {4, "0x0064"}},
         "[1017]\r\nDataType=6\r\nParameterValue=200\r\n[1800sub5]\r\nDataType=6\r\nParameterValue=0x0064"},
        {"an entry not read loses its ParameterValue lines",
         "[7132sub1]\nDataType=7\nParameterValue=3\nParameterValue=4\nDenotation=x\n[1017]\nDataType=6\nParameterValue=1\n",
         {{1, std::nullopt}},
         "[7132sub1]\nDataType=7\nDenotation=x\n[1017]\nDataType=6\nParameterValue=1\n"},
        {"a value holding '='",
         "[2F00]\nDataType=9\nParameterValue=a=b\n",
         {{1, "c=d"}},
         "[2F00]\nDataType=9\nParameterValue=c=d\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DCFFile file;
        ASSERT_TRUE(file.loadText(c.before));
        EXPECT_EQ(editParameterValues(c.before, file.sections(), c.edits), c.after);
    }
}

// The readout's entries become edits: read values in the style of the template, failed entries
// removed, skipped sections left alone.
TEST_F(TemplateEdits, FromAReadout)
{
    const std::string dcf = "[FileInfo]\nA=1\n[1800sub1]\nDataType=7\nParameterValue=$NODEID+0x180\n"
                            "[7132sub1]\nDataType=7\nParameterValue=3\n";
    DCFFile file;
    ASSERT_TRUE(file.loadText(dcf));
    DcfReadout readout;
    readout.entries.resize(3);
    readout.entries[0].headerLine = 1;
    readout.entries[1].headerLine = 3;
    readout.entries[1].result = EntryReading::Result::Read;
    readout.entries[1].type = dataTypeInfo(7);
    readout.entries[1].value = numberValue(0x1A0);
    readout.entries[2].headerLine = 6;
    readout.entries[2].result = EntryReading::Result::Aborted;
    readout.entries[2].failed = true;
    EXPECT_EQ(editParameterValues(dcf, file.sections(), editsOf(readout, file.sections(), 32)),
              "[FileInfo]\nA=1\n[1800sub1]\nDataType=7\nParameterValue=$NODEID+0x180\n[7132sub1]\nDataType=7\n");
}
