#include "common/Settings.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using veldris::loadLanguageSetting;
using veldris::saveLanguageSetting;

TEST(Settings, ReadsTheLanguageWhateverTheCaseSavesKeepingTheRest)
{
    TemporaryDirectory dir;
    const std::pair<const char*, const char*> cases[] = {
        {"[lastSession]\r\nlanguage=de\r\n", "de"},
        {"[LASTSESSION]\nLANGUAGE = cn\n", "cn"},
        {"[other]\nlanguage=de\n", ""},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(loadLanguageSetting(dir.write("config/settings.ini", content)), expected) << content;
    EXPECT_EQ(loadLanguageSetting(dir.file("config/missing.ini")), std::nullopt);

    // Saving keeps the other content and writes CR LF.
    const std::string path = dir.write("config/settings.ini", "[window]\nwidth=900\n[LastSession]\nlanguage=de\n");
    ASSERT_TRUE(saveLanguageSetting(path, "cn"));
    EXPECT_EQ(loadLanguageSetting(path), "cn");
    const std::string text = dir.read("config/settings.ini");
    EXPECT_NE(text.find("width = 900\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\n["), text.find("\r\n[") + 1) << "every line ends in CR LF";
    // A missing file is created (the window's first start checks its text), its folder is not.
    EXPECT_FALSE(saveLanguageSetting(dir.file("nofolder/settings.ini"), "en"));
}
