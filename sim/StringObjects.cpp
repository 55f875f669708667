#include "sim/StringObjects.h"

#include <cstdio>

namespace sim {

namespace {

constexpr std::size_t identityTextLength = 255; // [bytes] 0x1008, 0x1009, 0x100A
constexpr std::size_t userTextLength = 64;      // [bytes] 0x2F00

} // namespace

const std::vector<StringObject>& stringObjects()
{
    static const std::vector<StringObject> objects = {
        {0x1008, identityTextLength, Access::ReadOnly}, // manufacturer device name
        {0x1009, identityTextLength, Access::ReadOnly}, // manufacturer hardware version
        {0x100A, identityTextLength, Access::ReadOnly}, // manufacturer software version
        {0x2F00, userTextLength, Access::ReadWrite},    // user text, kept by "save"
    };
    return objects;
}

std::string stringKey(std::uint16_t index)
{
    char key[16];
    std::snprintf(key, sizeof key, "string.%04X", static_cast<unsigned>(index));
    return key;
}

std::string defaultString(std::uint16_t index, const SensorConfig& config)
{
    switch (index) {
    case 0x1008: return config.srdo.enabled ? "VS-7 safety sensor" : "VS-7 sensor";
    case 0x1009: return "1.0";
    case 0x100A: return versionText(config.firmwareVersion);
    case 0x2F00: return "plant A";
    default: return "";
    }
}

std::string versionText(std::uint32_t version)
{
    char text[20];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", version >> 24, version >> 16 & 0xFF, version >> 8 & 0xFF, version & 0xFF);
    return text;
}

} // namespace sim
