#pragma once

#include "can/PcanBasicTypes.h"

#include <linux/can.h>

namespace socketcan {

// SocketCAN reports the controller's state changes as error frames (CAN_ERR_FLAG in the
// identifier, the class in the identifier's low bits, details in the data bytes).
bool isErrorFrame(const can_frame& frame);

// The channel status after an error frame, starting from `current`: bus-off gives
// PCAN_ERROR_BUSOFF, an error-passive controller PCAN_ERROR_BUSPASSIVE, a warning level
// PCAN_ERROR_BUSHEAVY; a restart of the controller or its return to error-active clears it.
// Error frames of other classes (lost arbitration, protocol violations) leave it.
pcan::Status busStateAfter(const can_frame& errorFrame, pcan::Status current);

// The channel status of a controller state as libsocketcan's can_get_state reports it
// (CAN_STATE_ERROR_ACTIVE and anything unknown: ok).
pcan::Status busStateOfControllerState(int state);

} // namespace socketcan
