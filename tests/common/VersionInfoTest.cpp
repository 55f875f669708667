#include "common/VersionInfo.h"

#include <gtest/gtest.h>

#include <tuple>

using veldris::postProcessVersionValue;
using veldris::splitVersion;

// The values as built into the executable come through the post-processing; the version and
// description as the About box shows them are checked there.
TEST(VersionInfo, PostProcessingByNameAndSplitAtTheLastDot)
{
    EXPECT_EQ(postProcessVersionValue("FileVersion", "1, 3, 0, 2"), "1.3.0.2");
    EXPECT_EQ(postProcessVersionValue("Comments", "15.03.2024 nightly build"), "15.03.2024");
    EXPECT_EQ(postProcessVersionValue("Comments", ""), "");
    EXPECT_EQ(postProcessVersionValue("FileDescription", "KAVRO Veldris, 2 words"), "KAVRO Veldris, 2 words");
    EXPECT_EQ(veldris::versionValue("Comments").find(' '), std::string::npos);

    const std::tuple<const char*, const char*, const char*> versions[] = {
        {"2.0.5.17", "2.0.5", "17"}, {"7", "7", "7"}, {"1.", "1", ""}};
    for (const auto& [version, main, build] : versions) {
        const veldris::VersionParts parts = splitVersion(version);
        EXPECT_EQ(parts.mainVersion, main) << version;
        EXPECT_EQ(parts.buildNumber, build) << version;
    }
}
