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
    EXPECT_EQ(package.version(), 2);
    ASSERT_EQ(package.modules().size(), 2u);
    EXPECT_EQ(package.modules()[0].name, "orphan");
    EXPECT_TRUE(package.modules()[0].image.empty());
    const FirmwareModule& module = package.modules()[1];
    EXPECT_EQ(module.name, "app.hex"); // the image entry's name without a name line
    EXPECT_EQ(module.type, "hex"); // a later line replaces the value
    EXPECT_EQ(module.version, "1.5.0.0");
    EXPECT_EQ(module.device, "KVR200");
    EXPECT_EQ(module.ui, "06102000,06102200\r"); // values are not trimmed
    EXPECT_EQ(module.description, ""); // lines split at their last "=": the key "description=gain" is unknown
    EXPECT_EQ(std::string(module.image.begin(), module.image.end()), ":00000001FF\n");
    ASSERT_EQ(package.methods().size(), 1u);
    EXPECT_EQ(package.methods()[0].name, "Standard");
    EXPECT_EQ(package.methods()[0].lines, (std::vector<std::string>{"app.hex", "boot.hex"}));
    EXPECT_NE(package.findModule("app.hex"), nullptr);
    EXPECT_EQ(package.findModule("boot.hex"), nullptr); // a method may name a missing module

    FirmwarePackage noMethods;
    EXPECT_EQ(noMethods.loadPackageBytes(zipOf({{"version.kmd", "version=2"}, {"a.hex", "A"}, {"a.kmd", ""}}), false), "");
    EXPECT_TRUE(noMethods.methods().empty());
    EXPECT_TRUE(noMethods.modules().empty()); // without methods the descriptors are not read
}

TEST(FirmwarePackage, PackageVersions)
{
    struct Case {
        const char* version;
        const char* error;
    } cases[] = {
        {"version=1", "KFU file is out of date."},
        {"version=3", "KFU handling module is out of date."},
        {"v=x=2", ""},                      // the number after the last "="
        {"version=two", "version.kmd of the package holds no version number."},
    };
    for (const Case& c : cases) {
        Entries entries = standardPackage;
        entries[1].second = c.version;
        FirmwarePackage package;
        EXPECT_EQ(package.loadPackageBytes(zipOf(entries), false), c.error) << c.version;
        if (*c.error) {
            EXPECT_TRUE(package.modules().empty() && package.methods().empty());
        }
    }
    Entries entries = standardPackage;
    entries.erase(entries.begin() + 1);
    FirmwarePackage unversioned;
    EXPECT_EQ(unversioned.loadPackageBytes(zipOf(entries), false), "");
}

TEST(FirmwarePackage, ScramblingFollowsTheExtension)
{
    TemporaryDirectory dir;
    std::vector<std::uint8_t> scrambled = zipOf(standardPackage);
    const std::string plain(scrambled.begin(), scrambled.end());
    for (std::uint8_t& byte : scrambled)
        byte ^= packageMask;
    const std::string mixed(scrambled.begin(), scrambled.end());
    FirmwarePackage package;
    EXPECT_EQ(package.loadPackage(dir.write("good.kfu", mixed)), "");
    EXPECT_EQ(package.methods().size(), 1u);
    EXPECT_EQ(package.loadPackage(dir.write("plain.zip", plain)), "");
    EXPECT_EQ(package.loadPackage(dir.write("unscrambled.kfu", plain)), "KFU file is out of date.");
    EXPECT_TRUE(package.methods().empty());
    EXPECT_EQ(package.loadPackage(dir.write("scrambled.KFU", mixed)), "KFU file is out of date.");
    EXPECT_EQ(package.loadPackage(dir.write("empty.kfu", "")), "KFU file is out of date.");
    const std::string missing = dir.file("missing.kfu");
    EXPECT_EQ(package.loadPackage(missing), "Cannot read " + missing + ": No such file or directory");
}

TEST(FirmwarePackage, ImplausiblyLargeEntriesAreRefused)
{
    // The central directory claims 1 GiB for the image; nothing of that size may be allocated.
    std::vector<std::uint8_t> bytes = zipOf({{"version.kmd", "version=2"}, {"app.hex", "A"}, {"app.kmd", ""}, {"m.kum", "app.hex"}});
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
