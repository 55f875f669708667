// CiA 301 PDO COB-IDs as the diagnosis and the current-value display read and switch them.

#include "sensor/ParameterAccess.h"

#include <gtest/gtest.h>

using namespace veldris;

TEST(PdoCobId, ValidityIdentifierAndActivation)
{
    struct Row {
        std::uint32_t cobId;
        bool inactive;
        std::uint32_t identifier;
        std::uint32_t activated; // for node 5
    } rows[] = {
        {0x00000185, false, 0x185, 0x00000185},    {0x80000185, true, 0x185, 0x00000185},
        {0xC0000185, true, 0x185, 0x40000185},  // bit 30 (no RTR) stays
        {0x40000185, false, 0x185, 0x40000185}, // bit 30 alone is no invalid mark
        {0x80000000, true, 0, 0x00000185},      // no identifier: the node's default
        {0x00000000, true, 0, 0x00000185},         {0xC0000000, true, 0, 0x40000185},
        {0xA0012345, true, 0x0012345, 0x20012345}, // bit 29: a 29-bit identifier
        {0x0000F985, false, 0x185, 0x0000F985},    // bits 11..28 of a standard identifier are not its
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.cobId);
        EXPECT_EQ(pdoInactive(row.cobId), row.inactive);
        EXPECT_EQ(pdoIdentifier(row.cobId), row.identifier);
        EXPECT_EQ(activeTpdoCobId(row.cobId, 5), row.activated);
    }
}
