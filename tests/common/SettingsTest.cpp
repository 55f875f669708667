#include "common/Settings.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using veldris::loadLanguageSetting;
using veldris::saveLanguageSetting;

TEST(Settings, ReadsTheLanguageWhateverTheCaseOfSectionAndKey)
{
    TemporaryDirectory dir;
    struct Case {
        const char* content;
        std::string expected;
    } cases[] = {
        {"[lastSession]\r\nlanguage=de\r\n", "de"},
        {"[LASTSESSION]\nLANGUAGE = cn\n", "cn"},
        {"[lastsession]\nlanguage=jp\n", "jp"},
        {"[other]\nlanguage=de\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        const std::string path = dir.write("config/settings.ini", c.content);
        EXPECT_EQ(loadLanguageSetting(path), c.expected);
    }
    EXPECT_EQ(loadLanguageSetting(dir.file("config/missing.ini")), std::nullopt);
}

TEST(Settings, SavingKeepsOtherContentAndWritesCrLfButNoFolder)
{
    TemporaryDirectory dir;
    const std::string path = dir.write("config/settings.ini", "[window]\nwidth=900\n[LastSession]\nlanguage=de\n");
    ASSERT_TRUE(saveLanguageSetting(path, "cn"));
    EXPECT_EQ(loadLanguageSetting(path), "cn");
    const std::string text = dir.read("config/settings.ini");
    EXPECT_NE(text.find("width = 900\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\n["), text.find("\r\n[") + 1) << "every line ends in CR LF";
    // A missing file is created (the window's first start checks its text), its folder is not.
    EXPECT_FALSE(saveLanguageSetting(dir.file("nofolder/settings.ini"), "en"));
}
