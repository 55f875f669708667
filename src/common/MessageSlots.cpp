#include "common/MessageSlots.h"

#include "common/Translations.h"

#include <array>

namespace veldris {

namespace {

constexpr std::array<const char*, messageSlotCount> sources = {
    "Changed Node ID",
    "Only range 1 - 127 allowed.",
    "New Node ID can not be the same as the current Node ID.",
    "Bitrate is already set to this value",
    "Bitrate changed to ",
    "Checksum saved to device!",
    "Checksum could not be saved to device!",
    "Errorlog missing",
    "Errorlog not valid",
    "Config files are missing. \nPlease reinstall application!",
    "Major failure. Please contact support.\nCode: ",
    "Errorlog missing",
    "Errorlog not valid",
    "Config files are missing. \nPlease reinstall application!",
    "Major failure. Please contact support.\nCode: ",
    "Sensor got disconnected!",
    "Sensor got disconnected!",
    "The current value can not be fetched.",
    "PDO Error",
    "The COB ID is not active.\nShould it be activated?",
};

std::size_t indexOf(Message slot)
{
    return static_cast<std::size_t>(slot) - 1;
}

} // namespace

const char* messageSource(Message slot)
{
    return sources.at(indexOf(slot));
}

std::string message(Message slot, const Translations& table)
{
    return table.translate(messageSource(slot));
}

} // namespace veldris
