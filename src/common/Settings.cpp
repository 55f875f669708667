#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "common/Settings.h"

#include "common/AtomicFile.h"

namespace veldris {

namespace {

// Case-insensitive section and key names (SimpleIni names that class CSimpleIniA; its
// "Case" classes compare case-sensitively), 8-bit text, one value per key, no multi-line
// values.
CSimpleIniA makeIni()
{
    return CSimpleIniA(/*isUtf8*/ false, /*multiKey*/ false, /*multiLine*/ false);
}

std::string withCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

std::optional<std::string> loadLanguageSetting(const std::string& path)
{
    CSimpleIniA ini = makeIni();
    if (ini.LoadFile(path.c_str()) < 0)
        return std::nullopt;
    return std::string(ini.GetValue("lastsession", "language", ""));
}

bool saveLanguageSetting(const std::string& path, const std::string& code)
{
    CSimpleIniA ini = makeIni();
    ini.LoadFile(path.c_str()); // a missing or unreadable file is written anew
    ini.SetValue("lastSession", "language", code.c_str());
    std::string text;
    if (ini.Save(text) < 0)
        return false;
    return writeFileAtomically(path, withCrLf(text));
}

} // namespace veldris
