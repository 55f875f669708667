#include "can/AdapterChoice.h"
#include "common/DataDirectory.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Sets an environment variable for one scope and puts the old value (or its absence) back.
struct ScopedVariable {
    ScopedVariable(const char* name, const std::string& value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { previous ? ::setenv(name, previous->c_str(), 1) : ::unsetenv(name); }

    const char* name;
    std::optional<std::string> previous;
};

} // namespace

// A run folder keeps everything beside the executable, and so does a folder that is neither a
// run folder nor an installed prefix, so that messages name a path the user can check; the
// installed package's own test starts the program under its prefix. Settings go to the user's
// configuration folder, never into the installed data folder.
TEST(InstalledLayout, DataSimulatorAndSettingsBesideTheExecutableElseInTheConfigurationFolder)
{
    TemporaryDirectory dir;
    dir.write("run/lang/de.po", "");
    dir.write("run/libpcanbasic-sim.so", "");
    dir.write("bare/veldris", "");
    for (const std::string& folder : {dir.file("run"), dir.file("bare")}) {
        EXPECT_EQ(veldris::findDataDirectory(folder), folder);
        EXPECT_EQ(veldris::simulatorLibraryPath(folder), folder + "/libpcanbasic-sim.so");
    }

    // Settings go to the run folder, else to the user's configuration folder: an empty
    // XDG_CONFIG_HOME counts as unset. (The installed package checks a set one and a missing one.)
    dir.write("run/config/.keep", "");
    dir.write("share/veldris/lang/de.po", "");
    dir.write("home/.keep", "");
    ScopedVariable home("HOME", dir.file("home"));
    ScopedVariable configHome("XDG_CONFIG_HOME", "");
    EXPECT_EQ(veldris::DataDirectory(dir.file("run")).settingsPath(), dir.file("run/config/settings.ini"));
    EXPECT_EQ(veldris::DataDirectory(dir.file("share/veldris")).settingsPath(), dir.file("home/.config/veldris/settings.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("home/.config/veldris")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("share/veldris/config")))
        << "nothing is written into the installed data folder";
}
