#pragma once

#include <string>
#include <string_view>

namespace veldris {

// The folder that holds the program's own files: config/settings.ini, lang/*.po,
// canopen.dev and doc/. Both executables find it from their own folder at start, so that they
// find their files from whatever working directory they were started in, and hand it to what
// reads those files; an empty folder means the working directory.
class DataDirectory {
public:
    explicit DataDirectory(std::string directory = {});

    // `relative` ("config/settings.ini") inside the folder.
    std::string path(std::string_view relative) const;

    // Where the settings file is: config/settings.ini in the folder when that can be written
    // (a run folder), else veldris/settings.ini in the user's configuration directory
    // ($XDG_CONFIG_HOME, else ~/.config), which is created then.
    std::string settingsPath() const;

private:
    std::string folder;
};

// The data directory of a program started from `executableDirectory`: that folder itself when
// it is a run folder (it holds lang/), else the installed data folder relative to it
// (../share/veldris from bin/) when that exists, else the executable's folder.
std::string findDataDirectory(const std::string& executableDirectory);

} // namespace veldris
