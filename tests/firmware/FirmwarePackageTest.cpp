// Firmware packages: the archive's entries read into modules and methods, the package version,
// scrambling, and archives that must be refused.

#include "common/SystemConstants.h"
#include "firmware/FirmwarePackage.h"

#include "support/TemporaryDirectory.h"
#include "support/ZipArchive.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace veldris;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A descriptor (.kmd) describes the entry right before it; the archive's first one has none.
const Entries standardPackage = {
    {"first.kmd", "name=orphan"},
    {"version.kmd", "version=2"},
    {"a.hex", "A"},
    {"app.hex", ":00000001FF\n"},
    {"app.kmd", "type=bin\ntype=hex\nversion=1.5.0.0\ndevice=KVR200\nui=06102000,06102200\r\ndescription=gain=2\nno equals\n"},
    {"Standard.kum", "app.hex\nboot.hex\n"},
};

} // namespace

TEST(FirmwarePackage, ModulesAndMethodsInArchiveOrder)
{
    FirmwarePackage package;
    ASSERT_EQ(package.loadPackageBytes(zipOf(standardPackage), false), "");
    ASSERT_EQ(package.modules().size(), 2u);
    EXPECT_EQ(package.modules()[0].name, "orphan");
    const FirmwareModule& module = package.modules()[1];
    EXPECT_EQ(module.name, "app.hex");           // the image entry's name without a name line
    EXPECT_EQ(module.type, "hex");               // a later line replaces the value (version and device are read alike)
    EXPECT_EQ(module.ui, "06102000,06102200\r"); // values are not trimmed
    EXPECT_EQ(module.description, "");           // lines split at their last "=": the key "description=gain" is unknown
    EXPECT_EQ(std::string(module.image.begin(), module.image.end()), ":00000001FF\n");
    ASSERT_EQ(package.methods().size(), 1u);
    EXPECT_EQ(package.methods()[0].name, "Standard");
    EXPECT_EQ(package.methods()[0].lines, (std::vector<std::string>{"app.hex", "boot.hex"}));
    EXPECT_EQ(package.findModule("app.hex"), &module);
    EXPECT_EQ(package.findModule("boot.hex"), nullptr); // a method may name a missing module
}

// A refused version leaves nothing of the package; a package without version.kmd is read.
TEST(FirmwarePackage, PackageVersions)
{
    struct Case {
        std::pair<std::string, std::string> entry; // in place of version.kmd
        const char* error;
    } cases[] = {
        {{"version.kmd", "version=1"}, "KFU file is out of date."},
        {{"version.kmd", "version=3"}, "KFU handling module is out of date."},
        {{"version.kmd", "version=two"}, "version.kmd of the package holds no version number."},
        {{"notes.txt", ""}, ""},
    };
    for (const Case& c : cases) {
        Entries entries = standardPackage;
        entries[1] = c.entry;
        FirmwarePackage package;
        EXPECT_EQ(package.loadPackageBytes(zipOf(entries), false), c.error) << c.entry.second;
        EXPECT_EQ(package.methods().empty(), *c.error != 0);
        EXPECT_TRUE(*c.error == 0 || package.modules().empty());
    }
}

TEST(FirmwarePackage, ScramblingFollowsTheExtension)
{
    TemporaryDirectory dir;
    std::vector<std::uint8_t> bytes = zipOf(standardPackage);
    const std::string plain(bytes.begin(), bytes.end());
    for (std::uint8_t& byte : bytes)
        byte ^= packageMask;
    const std::string mixed(bytes.begin(), bytes.end());
    FirmwarePackage package;
    EXPECT_EQ(package.loadPackage(dir.write("good.kfu", mixed)), "");
    EXPECT_EQ(package.loadPackage(dir.write("plain.zip", plain)), "");
    EXPECT_EQ(package.loadPackage(dir.write("unscrambled.kfu", plain)), "KFU file is out of date.");
    EXPECT_EQ(package.loadPackage(dir.write("scrambled.KFU", mixed)), "KFU file is out of date.");
    EXPECT_EQ(package.loadPackage(dir.write("empty.kfu", "")), "KFU file is out of date.");
    const std::string missing = dir.file("missing.kfu");
    EXPECT_EQ(package.loadPackage(missing), "Cannot read " + missing + ": No such file or directory");
}

TEST(FirmwarePackage, ImplausiblyLargeEntriesAreRefused)
{
    // The central directory claims 1 GiB for the image; nothing of that size may be allocated.
    std::vector<std::uint8_t> bytes =
        zipOf({{"version.kmd", "version=2"}, {"app.hex", "A"}, {"app.kmd", ""}, {"m.kum", "app.hex"}});
    bool patched = false;
    for (std::size_t i = 0; i + 46 < bytes.size(); ++i) {
        if (std::memcmp(&bytes[i], "PK\x01\x02", 4) == 0 && std::memcmp(&bytes[i + 46], "app.hex", 7) == 0) {
            const std::uint32_t huge = 1u << 30;
            std::memcpy(&bytes[i + 24], &huge, 4);
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    FirmwarePackage package;
    EXPECT_EQ(package.loadPackageBytes(bytes, false),
              "The package entry app.hex is implausibly large (1073741824 bytes); the file is not a firmware package.");
    EXPECT_TRUE(package.modules().empty());
}
