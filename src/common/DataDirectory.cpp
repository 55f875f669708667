#include "common/DataDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace veldris {

namespace {
std::string& directoryValue()
{
    static std::string value;
    return value;
}
}

void setDataDirectory(std::string directory)
{
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    directoryValue() = std::move(directory);
}

const std::string& dataDirectory()
{
    return directoryValue();
}

std::string dataPath(std::string_view relative)
{
    const std::string& directory = directoryValue();
    if (directory.empty())
        return std::string(relative);
    return directory + "/" + std::string(relative);
}

std::string findDataDirectory(const std::string& executableDirectory)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(executableDirectory + "/lang", ignored))
        return executableDirectory;
    const std::filesystem::path installed = std::filesystem::path(executableDirectory) / VELDRIS_DATA_FROM_BIN;
    if (std::filesystem::is_directory(installed / "lang", ignored))
        return installed.lexically_normal().string();
    return executableDirectory;
}

std::string settingsPath()
{
    const std::string ownFolder = dataPath("config");
    if (::access(ownFolder.c_str(), W_OK) == 0)
        return dataPath("config/settings.ini");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = configHome && *configHome ? configHome : std::string(home ? home : ".") + "/.config";
    std::error_code ignored;
    std::filesystem::create_directories(base + "/veldris", ignored);
    return base + "/veldris/settings.ini";
}

} // namespace veldris
