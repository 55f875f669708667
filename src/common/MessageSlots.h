#pragma once

#include <string>

namespace veldris {

class Translations;

// The twenty translated message texts that message boxes show. Two slots may hold the same
// source text: the Read and Open handlers of the error log, and the two places where the
// diagnosis loses the sensor, each have their own.
enum class Message {
    ChangedNodeId = 1,
    NodeIdOutOfRange,
    NodeIdUnchanged,
    BitrateAlreadySet,
    BitrateChangedTo,
    ChecksumSaved,
    ChecksumNotSaved,
    ReadErrorlogMissing,
    ReadErrorlogNotValid,
    ReadConfigFilesMissing,
    ReadMajorFailure,
    OpenErrorlogMissing,
    OpenErrorlogNotValid,
    OpenConfigFilesMissing,
    OpenMajorFailure,
    PdoSensorDisconnected,
    SrdoSensorDisconnected,
    CurrentValueNotFetched,
    PdoError,
    CobIdNotActive,
};

inline constexpr int messageSlotCount = 20;

// The English source text of a slot.
const char* messageSource(Message slot);

// The slot's text (UTF-8) as `table` translates it.
std::string message(Message slot, const Translations& table);

} // namespace veldris
