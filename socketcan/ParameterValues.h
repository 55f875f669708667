#pragma once

#include "can/PcanBasicTypes.h"

#include <vector>

namespace socketcan {

// The records of the listed channels: handle, PCAN-USB device type, the listed name, and its
// condition: occupied while this process has it initialised, available when it exists and is
// up (ChannelList::attached), else unavailable.
std::vector<pcan::ChannelInformation> attachedChannels();

// CAN_GetValue and CAN_SetValue: on PCAN_NONEBUS the attached channels and the API version; on
// a listed channel its receive event (the socket: readable while frames wait), condition,
// names and acceptance filter. Setting the receive event is refused with
// PCAN_ERROR_ILLOPERATION, as PCAN-Basic for Linux does.
pcan::Status getValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length);
pcan::Status setValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length);

} // namespace socketcan
