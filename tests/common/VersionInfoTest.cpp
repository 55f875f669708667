#include "common/PathText.h"
#include "common/VersionInfo.h"

#include <gtest/gtest.h>

using veldris::postProcessVersionValue;
using veldris::splitVersion;

TEST(VersionInfo, PostProcessingByName)
{
    struct Case {
        const char* name;
        const char* raw;
        const char* expected;
    } cases[] = {
        {"FileVersion", "2,0,5,17", "2.0.5.17"},
        {"FileVersion", "1, 3, 0, 2", "1.3.0.2"},
        {"FileVersion", "0.1.0.42", "0.1.0.42"},
        {"Comments", "15.03.2024", "15.03.2024"},
        {"Comments", "15.03.2024 nightly build", "15.03.2024"},
        {"Comments", "", ""},
        {"FileDescription", "KAVRO Veldris, 2 words", "KAVRO Veldris, 2 words"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(postProcessVersionValue(c.name, c.raw), c.expected) << c.name << " " << c.raw;
}

TEST(VersionInfo, SplitsAtTheLastDot)
{
    struct Case {
        const char* version;
        const char* main;
        const char* build;
    } cases[] = {
        {"2.0.5.17", "2.0.5", "17"},
        {"2.0", "2", "0"},
        {"7", "7", "7"},
        {"", "", ""},
        {"1.", "1", ""},
    };
    for (const Case& c : cases) {
        const veldris::VersionParts parts = splitVersion(c.version);
        EXPECT_EQ(parts.mainVersion, c.main) << c.version;
        EXPECT_EQ(parts.buildNumber, c.build) << c.version;
    }
}

// The version and description as the About box shows them are checked there.
TEST(VersionInfo, BuildValuesComeThroughThePostProcessing)
{
    EXPECT_EQ(veldris::versionValue("Comments").find(' '), std::string::npos);
    EXPECT_EQ(veldris::versionValue("ProductName"), "");
}

TEST(PathText, DirectoryIsEverythingBeforeTheLastSlash)
{
    EXPECT_EQ(veldris::directoryOf("/opt/tools/veldris"), "/opt/tools");
    EXPECT_EQ(veldris::directoryOf("veldris"), "veldris");
    EXPECT_EQ(veldris::directoryOf("/veldris"), "");
}
