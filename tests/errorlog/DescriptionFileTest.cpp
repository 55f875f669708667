// The sensor description file: finding the model's section, the blocks of the log area, and
// what makes a description unusable.

#include "errorlog/DescriptionFile.h"
#include "errorlog/ErrorLog.h"

#include "support/QuietDiagnostics.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace veldris;

namespace {

// A complete section for `name`; `key` replaces or (with an empty value) drops one key.
std::string section(const std::string& name, const std::string& key = "", const std::string& value = "x")
{
    std::string text = "[" + name + "]\n";
    const auto add = [&](const std::string& k, const std::string& v) {
        if (k != key || !value.empty())
            text += k + " = " + (k == key ? value : v) + "\n";
    };
    add("virtaddr", "0x1000");
    add("pagesize", "0x40");
    add("pagecnt", "4");
    add("list", "0xFFFFFFFF");
    add("errorstruct", "EEEETTVV");
    add("pageheader", "AFEEXXXX");
    for (int bit = 1; bit <= 32; ++bit) {
        add("ebit" + std::to_string(bit), std::to_string(bit));
        add("ibit" + std::to_string(bit), std::to_string(0x10 + bit % 4));
    }
    for (int special = 1; special <= 3; ++special)
        add("log" + std::to_string(special), std::to_string(special));
    return text;
}

// Node 5 with the listed object layout; its item number -1 reads as 0xFFFFFFFF.
const SensorInfo sensor{"5", "0x06102200", "1.4.0.12", "-1", "100234", 0, true};

using DescriptionFileTest = QuietDiagnostics;

} // namespace

TEST_F(DescriptionFileTest, SectionMatchesByTheDigitsAfterItsFirstTwoCharacters)
{
    const std::string text = "[KV06102200]\n[zz0610abcd]\n[0x12345678]\n[KV0610ABCD]\n[A]\n";
    EXPECT_EQ(findModelSection(text, "0x06102200"), "KV06102200");
    EXPECT_EQ(findModelSection(text, "0x12345678"), "0x12345678");
    EXPECT_EQ(findModelSection(text, "0x0610abcd"), "zz0610abcd") << "letter case of the digits counts";
    EXPECT_EQ(findModelSection(text, "0x06102201"), "");
    EXPECT_EQ(findModelSection("not [ini", "0x06102200"), "");
}

// Blocks 0x2800 + first .. 0x2800 + end - 1 hold the log area.
TEST_F(DescriptionFileTest, BlocksOfTheLogArea)
{
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, int, int> rows[] = {
        {0x0000, 0x800, 4, 0x00, 0x20}, {0x1080, 0x40, 1, 0x10, 0x10}, // the second ends inside its first block
        {0xFF00, 0x200, 1, 0xFF, 0x01}, // passes 0xFFFF: the end block wraps below the first
    };
    for (const auto& [virtaddr, pagesize, pagecnt, first, end] : rows) {
        const BlockRange blocks = blockRange(virtaddr, pagesize, pagecnt);
        EXPECT_EQ(std::pair(blocks.first, blocks.end), std::pair(first, end)) << virtaddr;
    }
}

TEST_F(DescriptionFileTest, DescriptionFillsTheDescriptor)
{
    TemporaryDirectory dir;
    const std::string path = dir.write("canopen.dev", unscrambleDescription("; models\n" + section("KV06102200")));
    const Description d = loadDescription(path, sensor);
    ASSERT_EQ(d.status, 0) << d.problem;
    EXPECT_EQ(std::pair(d.blocks.first, d.blocks.end), std::pair(0x10, 0x11));
    EXPECT_EQ(d.descriptor.pagesize, 0x40);
    EXPECT_EQ(d.descriptor.pagecnt, 4);
    EXPECT_EQ(d.descriptor.errorstruct, "EEEETTVV");
    ASSERT_EQ(d.descriptor.ebit.size(), 32u);
    EXPECT_EQ(d.descriptor.ebit[31], 32) << "list index i holds key i + 1";
    EXPECT_EQ(d.descriptor.ibit[31], 0x10);
    EXPECT_EQ(d.descriptor.log, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(d.descriptor.itemNumber, 0xFFFFFFFFu);
    EXPECT_EQ(d.descriptor.uidListed, 1);
}

TEST_F(DescriptionFileTest, UnusableDescriptions)
{
    struct Row {
        const char* what;
        std::string text;
        std::int32_t status;
    } rows[] = {
        {"no section for the UID", section("KV12345678"), errorLogMissing},
        {"a key missing", section("KV06102200", "ebit17", ""), errorLogNotValid},
        {"a hexadecimal key that is no number", section("KV06102200", "pagesize", "forty"), errorLogNotValid},
        {"a decimal key that is no number", section("KV06102200", "log2", "0x2"), errorLogNotValid},
        {"a pattern of 7 letters", section("KV06102200", "errorstruct", "EEEETTV"), errorLogNotValid},
        {"a page header with another letter", section("KV06102200", "pageheader", "AFEEXXXY"), errorLogNotValid},
    };
    TemporaryDirectory dir;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string path = dir.write("canopen.dev", unscrambleDescription(r.text));
        const Description d = loadDescription(path, sensor);
        EXPECT_EQ(d.status, r.status);
        EXPECT_FALSE(d.problem.empty());
    }
    EXPECT_EQ(loadDescription(dir.file("none.dev"), sensor).status, errorLogConfigMissing);
}
