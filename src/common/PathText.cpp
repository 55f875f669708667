#include "common/PathText.h"

namespace veldris {

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return path;
    return path.substr(0, slash);
}

} // namespace veldris
