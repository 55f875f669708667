#include "common/DataDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace veldris {

DataDirectory::DataDirectory(std::string directory) : folder(std::move(directory))
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
}

std::string DataDirectory::path(std::string_view relative) const
{
    if (folder.empty())
        return std::string(relative);
    return folder + "/" + std::string(relative);
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

std::string DataDirectory::settingsPath() const
{
    const std::string ownFolder = path("config");
    if (::access(ownFolder.c_str(), W_OK) == 0)
        return path("config/settings.ini");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = configHome && *configHome ? configHome : std::string(home ? home : ".") + "/.config";
    std::error_code ignored;
    std::filesystem::create_directories(base + "/veldris", ignored);
    return base + "/veldris/settings.ini";
}

} // namespace veldris
