#include "common/DataDirectory.h"

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

} // namespace veldris
