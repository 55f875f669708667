// The sensor description file: finding the model's section, the blocks of the log area, and
// what makes a description unusable.

#include "errorlog/DescriptionFile.h"
#include "errorlog/ErrorLog.h"

#include "support/QuietDiagnostics.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <utility>

using namespace veldris;

namespace {

// A complete section for model 0x06102200, with `from` replaced by `to`.
std::string section(const std::string& from = "", const std::string& to = "")
{
    std::string text = "[KV06102200]\nvirtaddr = 0x1000\npagesize = 0x40\npagecnt = 4\nlist = 0xFFFFFFFF\n"
                       "errorstruct = EEEETTVV\npageheader = AFEEXXXX\nlog1 = 1\nlog2 = 2\nlog3 = 3\n";
    for (int bit = 1; bit <= 32; ++bit)
        text += "ebit" + std::to_string(bit) + " = " + std::to_string(bit) + "\nibit" + std::to_string(bit) + " = "
              + std::to_string(0x10 + bit % 4) + "\n";
    return from.empty() ? text : text.replace(text.find(from), from.size(), to);
}

// Node 5 with the listed object layout; its item number -1 reads as 0xFFFFFFFF.
const SensorInfo sensor{"5", "0x06102200", "1.4.0.12", "-1", "100234", 0, true};

using DescriptionFileTest = QuietDiagnostics;

} // namespace

TEST_F(DescriptionFileTest, SectionByTheDigitsAfterItsFirstTwoCharactersAndBlocksOfTheLogArea)
{
    const std::string text = "[KV06102200]\n[zz0610abcd]\n[KV0610ABCD]\n[A]\n";
    EXPECT_EQ(findModelSection(text, "0x06102200"), "KV06102200");
    EXPECT_EQ(findModelSection(text, "0x0610abcd"), "zz0610abcd") << "letter case of the digits counts";
    EXPECT_EQ(findModelSection(text, "0x06102201"), "");
    EXPECT_EQ(findModelSection("not [ini", "0x06102200"), "");

    // Blocks 0x2800 + first .. 0x2800 + end - 1 hold the log area (the readout's frames show the
    // ordinary case).
    const BlockRange inside = blockRange(0x1080, 0x40, 1); // ends inside its first block
    EXPECT_EQ(std::pair(inside.first, inside.end), std::pair(0x10, 0x10));
    const BlockRange wrapped = blockRange(0xFF00, 0x200, 1); // passes 0xFFFF: the end wraps below the first
    EXPECT_EQ(std::pair(wrapped.first, wrapped.end), std::pair(0xFF, 0x01));
}

// A missing file or section is refused by the readout, and the other keys show in the rows and
// frames it gives (ErrorLogReadoutTest); here the list keys and the item number, and sections
// that are there but damaged.
TEST_F(DescriptionFileTest, DescriptionFillsTheDescriptorUnlessAKeyIsDamaged)
{
    TemporaryDirectory dir;
    const std::string path = dir.write("canopen.dev", unscrambleDescription("; models\n" + section()));
    const Description d = loadDescription(path, sensor);
    ASSERT_EQ(d.status, ErrorLogStatus::Ok) << d.problem;
    ASSERT_EQ(d.descriptor.ebit.size(), 32u);
    EXPECT_EQ(d.descriptor.ebit[31], 32) << "list index i holds key i + 1";
    EXPECT_EQ(d.descriptor.ibit[31], 0x10);
    EXPECT_EQ(d.descriptor.itemNumber, 0xFFFFFFFFu);

    const std::pair<const char*, const char*> damaged[] = {
        {"ebit17 = 17\n", ""},
        {"pagesize = 0x40", "pagesize = forty"},
        {"log2 = 2", "log2 = 0x2"},
        {"errorstruct = EEEETTVV", "errorstruct = EEEETTV"},
        {"pageheader = AFEEXXXX", "pageheader = AFEEXXXY"},
    };
    for (const auto& [from, to] : damaged) {
        dir.write("canopen.dev", unscrambleDescription(section(from, to)));
        const Description bad = loadDescription(path, sensor);
        EXPECT_EQ(bad.status, ErrorLogStatus::NotValid) << to;
        EXPECT_FALSE(bad.problem.empty()) << to;
    }
}
