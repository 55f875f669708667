#include "common/VersionInfo.h"

#include "common/BuildInfo.h"

#include <algorithm>

namespace veldris {

namespace {

std::string rawVersionValue(const std::string& name)
{
    if (name == "FileDescription")
        return buildinfo::fileDescription;
    if (name == "FileVersion")
        return buildinfo::fileVersion;
    if (name == "Comments")
        return buildinfo::comments;
    if (name == "LegalCopyright")
        return buildinfo::legalCopyright;
    return {};
}

} // namespace

std::string versionValue(const std::string& name)
{
    return postProcessVersionValue(name, rawVersionValue(name));
}

std::string postProcessVersionValue(const std::string& name, std::string value)
{
    if (name == "FileVersion") {
        std::replace(value.begin(), value.end(), ',', '.');
        value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    } else if (name == "Comments") {
        const auto blank = value.find(' ');
        if (blank != std::string::npos)
            value.erase(blank);
    }
    return value;
}

VersionParts splitVersion(const std::string& fileVersion)
{
    const auto dot = fileVersion.rfind('.');
    if (dot == std::string::npos)
        return {fileVersion, fileVersion};
    return {fileVersion.substr(0, dot), fileVersion.substr(dot + 1)};
}

} // namespace veldris
