#pragma once

#include <string>

namespace veldris {

// One value of the executable's version information by its name: "FileDescription",
// "FileVersion", "Comments" or "LegalCopyright" (UTF-8; empty for any other name), after
// postProcessVersionValue.
std::string versionValue(const std::string& name);

// "FileVersion": every "," becomes "." and every blank goes ("2, 0, 5, 17" -> "2.0.5.17").
// "Comments": cut at its first blank (the build date alone). Other names: unchanged.
std::string postProcessVersionValue(const std::string& name, std::string value);

// "2.0.5.17" -> main version "2.0.5", build number "17". Without any "." both are the
// whole text ("7" -> "7" / "7").
struct VersionParts {
    std::string mainVersion;
    std::string buildNumber;
};
VersionParts splitVersion(const std::string& fileVersion);

} // namespace veldris
