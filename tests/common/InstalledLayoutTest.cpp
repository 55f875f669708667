#include "can/AdapterChoice.h"
#include "common/DataDirectory.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Sets an environment variable (nullptr: removes it) for one scope and puts the old value back.
struct ScopedVariable {
    ScopedVariable(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        set(value);
    }
    ~ScopedVariable() { set(previous ? previous->c_str() : nullptr); }
    void set(const char* value) const { value ? ::setenv(name, value, 1) : ::unsetenv(name); }

    const char* name;
    std::optional<std::string> previous;
};

struct DataDirectoryReset {
    ~DataDirectoryReset() { veldris::setDataDirectory(""); }
};

std::string normal(const std::string& path)
{
    return std::filesystem::path(path).lexically_normal().string();
}

} // namespace

// A run folder keeps everything beside the executable; an installed program (any prefix) finds
// its data under share/veldris and its simulator under lib/<arch>/veldris, and keeps its
// settings in the user's configuration folder, never in the installed data folder.
TEST(InstalledLayout, DataSimulatorAndSettingsBesideTheExecutableElseUnderThePrefix)
{
    TemporaryDirectory dir;
    dir.write("run/lang/de.po", "");
    dir.write("run/libpcanbasic-sim.so", "");
    dir.write("usr/" VELDRIS_INSTALL_BINDIR "/veldris", "");
    dir.write("usr/" VELDRIS_INSTALL_DATADIR "/lang/de.po", "");
    dir.write("usr/" VELDRIS_INSTALL_LIBDIR "/libpcanbasic-sim.so", "");
    dir.write("bare/veldris", "");

    struct Case {
        std::string executableDirectory, data, simulator;
    } cases[] = {
        {dir.file("run"), dir.file("run"), dir.file("run/libpcanbasic-sim.so")},
        {dir.file("usr/" VELDRIS_INSTALL_BINDIR), dir.file("usr/" VELDRIS_INSTALL_DATADIR),
         dir.file("usr/" VELDRIS_INSTALL_LIBDIR "/libpcanbasic-sim.so")},
        // Neither: the executable's folder, so that messages name a path the user can check.
        {dir.file("bare"), dir.file("bare"), dir.file("bare/libpcanbasic-sim.so")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executableDirectory);
        EXPECT_EQ(normal(veldris::findDataDirectory(c.executableDirectory)), normal(c.data));
        EXPECT_EQ(normal(veldris::simulatorLibraryPath(c.executableDirectory)), normal(c.simulator));
    }

    // Settings go to the run folder, else to the user's configuration folder.
    DataDirectoryReset reset;
    dir.write("run/config/.keep", "");
    dir.write("share/veldris/lang/de.po", "");
    dir.write("home/.keep", "");
    ScopedVariable home("HOME", dir.file("home").c_str());

    veldris::setDataDirectory(dir.file("run"));
    EXPECT_EQ(veldris::settingsPath(), dir.file("run/config/settings.ini"));

    veldris::setDataDirectory(dir.file("share/veldris"));
    {
        ScopedVariable configHome("XDG_CONFIG_HOME", dir.file("xdg").c_str());
        EXPECT_EQ(veldris::settingsPath(), dir.file("xdg/veldris/settings.ini"));
        EXPECT_TRUE(std::filesystem::is_directory(dir.file("xdg/veldris")));
    }
    for (const char* unset : std::initializer_list<const char*>{nullptr, ""}) {
        ScopedVariable configHome("XDG_CONFIG_HOME", unset);
        EXPECT_EQ(veldris::settingsPath(), dir.file("home/.config/veldris/settings.ini"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("share/veldris/config")))
        << "nothing is written into the installed data folder";
}
