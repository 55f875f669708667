// The DCF upload against the simulated sensors of tests/scenarios/procedures.ini: what ends up
// active and stored, the report lines, and what makes an upload fail without storing anything.

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "dcf/DCFUpload.h"
#include "sensor/SensorConnection.h"
#include "sensor/SrdoChecksum.h"

#include "support/SharedClientTest.h"
#include "support/SimulatorRecords.h"

#include <gtest/gtest.h>

using namespace veldris;

namespace {

class DCFUploadTest : public SharedClientTest {
protected:
    // Chooses the node as the node list does, then writes the DCF text into it.
    static DCFUploadResult upload(int node, const std::string& dcf, RecordingProgress& progress, bool verify = false)
    {
        const SensorInfo sensor = connectToSensor(client(), std::to_string(node)).sensor;
        DCFFile file;
        EXPECT_TRUE(file.loadText(dcf));
        return DCFUpload(client(), sensor, file.sections(), verify).run(progress);
    }

    static std::uint32_t valueOf(int node, std::uint16_t index, std::uint8_t sub)
    {
        return client().exchange(requests::sdoFrame(static_cast<std::uint8_t>(node), 0x40, index, sub), 100).answer.value();
    }
};

} // namespace

// Each upload ends with a reset, after which the communication objects come back from their
// stored values: reading them then shows what was stored. The SRDO step leaves the safety
// sensor's configuration valid, so that it starts again; an upload that fails stores nothing.
TEST_F(DCFUploadTest, SectionsThatAreSentSkippedRefusedOrUnanswered)
{
    struct Case {
        const char* what;
        int node;
        std::string dcf;
        bool verify;
        bool success;
        std::vector<std::string> lines; // up to the reset
    } cases[] = {
        {"the sample DCF at the safety sensor",
         5,
         "[FileInfo]\nFileName=node5.dcf\n\n[1017]\nDataType=0x0006\nParameterValue=100\n\n"
         "[1800sub5]\nDataType=0x0006\nParameterValue=50\n\n[1301sub2]\nDataType=0x0006\nParameterValue=20\n",
         false,
         true,
         {"Section at line 1 skipped: no object entry", "Section at line 4 was sent successfully",
          "Section at line 8 was sent successfully", "Section at line 12 was sent successfully",
          "Saving parameters successful.", "SRDO checksum re-calculated and saved to device."}},
        // The sections around the abort are taken, but nothing is stored: also not by the SRDO
        // step of the safety sensor, whose store would keep them.
        {"an abort among taken values",
         40,
         "[1017]\nDataType=6\nParameterValue=300\n[1301sub2]\nDataType=6\nParameterValue=30\n"
         "[7132sub1]\nDataType=7\nParameterValue=3\n[1800sub5]\nDataType=6\nParameterValue=150\n",
         false,
         false,
         {"Section at line 1 was sent successfully", "Section at line 4 was sent successfully",
          "Section at line 7 returned an error",
          "Section at line 7: SDO abort 0x06090030 (Invalid value for parameter (download only).)",
          "Section at line 10 was sent successfully"}},
        {"no values to write, and a COB-ID relative to the node",
         32,
         "[DeviceInfo]\nVendorName=KAVRO\n[1018]\nSubNumber=5\nObjectType=0x9\n[1000]\nDataType=7\nAccessType=ro\n"
         "ParameterValue=0\n[1017]\nDataType=6\n[1017sub0]\nDataType=6\nAccessType=rw\nParameterValue=$NODEID+100\n",
         false,
         true,
         {"Section at line 1 skipped: no object entry",
          "Section at line 3 skipped: record header, its SubNumber counts its sub-entries",
          "Section at line 6 skipped: read-only (AccessType ro)", "Section at line 10 skipped: no ParameterValue",
          "Section at line 12 was sent successfully", "Saving parameters successful."}},
        {"a data type that is not written",
         32,
         "[1017]\nDataType=8\nParameterValue=1.5\n[1800sub5]\nDataType=6\nParameterValue=20\n",
         false,
         false,
         {"Section at line 1 not sent: DataType 8 is not written (only BOOLEAN, INTEGER8/16/32, UNSIGNED8/16/32, VISIBLE_STRING and OCTET_STRING are)",
          "Section at line 4 was sent successfully"}},
        {"no answer within 30 ms",
         41,
         "[1017]\nDataType=6\nParameterValue=20\n",
         false,
         false,
         {"Section at line 1 got no answer"}},
        {"a value that cannot be read back",
         32,
         "[2100]\nDataType=7\nParameterValue=0x4B56524F\n",
         true,
         false,
         {"Section at line 1 was sent successfully", "Section at line 1 could not be read back"}},
        {"the store refused",
         42,
         "[1017]\nDataType=6\nParameterValue=20\n",
         false,
         false,
         {"Section at line 1 was sent successfully", "Saving parameters failed."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingProgress progress;
        const DCFUploadResult result = upload(c.node, c.dcf, progress, c.verify);
        EXPECT_EQ(result.success, c.success);
        EXPECT_EQ(result.stored, c.success);
        EXPECT_EQ(progress.percent, c.success ? 100u : 0u);
        std::vector<std::string> expected = c.lines;
        expected.push_back("Sensor restarted.. please reconnect");
        EXPECT_EQ(progress.lines, expected);
    }
    EXPECT_EQ(valueOf(5, 0x1017, 0), 100u);
    EXPECT_EQ(valueOf(5, 0x1800, 5), 50u);
    EXPECT_EQ(valueOf(5, 0x1301, 2), 20u);
    EXPECT_EQ(valueOf(5, 0x13FE, 0), 0xA5u);
    EXPECT_EQ(valueOf(5, 0x13FF, 1), computeSrdoChecksum(loadSrdoConfiguration(client(), 5).values));
    EXPECT_EQ(valueOf(32, 0x1017, 0), 132u) << "$NODEID+100 at node 32";
    EXPECT_EQ(valueOf(40, 0x1017, 0), 0u) << "the heartbeat written before the abort was not stored";
    EXPECT_EQ(valueOf(40, 0x13FE, 0), 0xA5u) << "the stored SRDO configuration is still the valid one";
}

// A typo in one value refuses the whole file before the first frame: the value before it is
// not written either, and nothing is reset.
TEST_F(DCFUploadTest, AValueThatDoesNotFitItsTypeRefusesTheFileBeforeAnyFrame)
{
    RecordingProgress progress;
    const std::uint32_t before = valueOf(32, 0x1800, 5);
    const DCFUploadResult result = upload(32,
                                          "[1800sub5]\nDataType=6\nParameterValue=0X21\n[1017]\nDataType=6\n"
                                          "ParameterValue=70000\n",
                                          progress);
    EXPECT_FALSE(result.success);
    EXPECT_TRUE(result.sections.empty());
    EXPECT_EQ(
        progress.lines,
        std::vector<std::string>{"Nothing was sent: line 6: ParameterValue '70000' is out of range (0..65535) for UNSIGNED16"});
    EXPECT_EQ(valueOf(32, 0x1800, 5), before);
}
