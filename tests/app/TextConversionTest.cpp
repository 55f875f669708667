// The window's conversions of edit fields and node-ID texts.

#include "app/TextConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

using namespace veldris;

// The exceptions' texts, shown in the window's error box, are checked by the window tests.
TEST(TextConversion, DecimalTakesTheLeadingDigitsToolkitAlsoHexadecimal)
{
    EXPECT_EQ(decimalToInt(" 7 nodes"), 7);
    EXPECT_THROW(decimalToInt("n/a"), std::invalid_argument);
    EXPECT_THROW(decimalToInt("99999999999"), std::out_of_range);
    EXPECT_EQ(toolkitToInt("$1F"), 0x1F);
    EXPECT_EQ(static_cast<std::uint32_t>(toolkitToInt("0xFFFFFFFF")), 0xFFFFFFFFu);
    for (const char* bad : {"", "12abc", "0x", " 5", "4294967296", "0x1FFFFFFFF"})
        EXPECT_THROW(toolkitToInt(bad), std::invalid_argument) << bad;
}
