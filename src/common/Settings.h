#pragma once

#include <optional>
#include <string>

namespace veldris {

// The settings file of a run folder, relative to the data directory (settingsPath() in
// DataDirectory.h says where it is when the program is installed). It holds one value between
// runs: the user-interface language, key "language" of section "lastSession".
inline constexpr const char* settingsFile = "config/settings.ini";

// The language code stored in the file ("de", "en", "cn", "jp"; empty when the section or
// key is missing). No value at all when the file cannot be read. Section and key names are
// compared without regard to case.
std::optional<std::string> loadLanguageSetting(const std::string& path);

// Stores `code` as the language and writes the file back with CR LF line ends, keeping its
// other content. A missing file is created; a missing folder is not. The file is replaced
// through a temporary file, so a failed write leaves the old one whole; false then.
bool saveLanguageSetting(const std::string& path, const std::string& code);

} // namespace veldris
