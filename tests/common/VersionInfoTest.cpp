#include "common/PathText.h"
#include "common/VersionInfo.h"

#include <gtest/gtest.h>

#include <tuple>

using veldris::postProcessVersionValue;
using veldris::splitVersion;

// The values as built into the executable come through the post-processing; the version and
// description as the About box shows them are checked there.
TEST(VersionInfo, PostProcessingByNameAndSplitAtTheLastDot)
{
    const std::tuple<const char*, const char*, const char*> values[] = {
        {"FileVersion", "2,0,5,17", "2.0.5.17"}, {"FileVersion", "1, 3, 0, 2", "1.3.0.2"},
        {"FileVersion", "0.1.0.42", "0.1.0.42"}, {"Comments", "15.03.2024 nightly build", "15.03.2024"},
        {"Comments", "", ""}, {"FileDescription", "KAVRO Veldris, 2 words", "KAVRO Veldris, 2 words"},
    };
    for (const auto& [name, raw, expected] : values)
        EXPECT_EQ(postProcessVersionValue(name, raw), expected) << name << " " << raw;
    EXPECT_EQ(veldris::versionValue("Comments").find(' '), std::string::npos);
    EXPECT_EQ(veldris::versionValue("ProductName"), "");

    const std::tuple<const char*, const char*, const char*> versions[] = {
        {"2.0.5.17", "2.0.5", "17"}, {"2.0", "2", "0"}, {"7", "7", "7"}, {"", "", ""}, {"1.", "1", ""},
    };
    for (const auto& [version, main, build] : versions) {
        const veldris::VersionParts parts = splitVersion(version);
        EXPECT_EQ(parts.mainVersion, main) << version;
        EXPECT_EQ(parts.buildNumber, build) << version;
    }
}

TEST(PathText, DirectoryIsEverythingBeforeTheLastSlash)
{
    EXPECT_EQ(veldris::directoryOf("/opt/tools/veldris"), "/opt/tools");
    EXPECT_EQ(veldris::directoryOf("veldris"), "veldris");
    EXPECT_EQ(veldris::directoryOf("/veldris"), "");
}
