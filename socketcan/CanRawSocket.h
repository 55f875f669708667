#pragma once

#include "socketcan/FrameSocket.h"

#include <memory>
#include <string>

namespace socketcan {

// A CAN_RAW socket bound to interface `name`, with the controller's error frames enabled
// (CAN_RAW_ERR_FILTER: bus-off, controller state, restarts) so that the channel learns its bus
// state. nullptr and a message when the socket cannot be opened or bound.
std::unique_ptr<FrameSocket> openCanRaw(const std::string& name, std::string& message);

} // namespace socketcan
