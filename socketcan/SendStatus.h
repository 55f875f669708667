#pragma once

#include "can/PcanBasicTypes.h"

#include <string>

namespace socketcan {

// Why a frame did not reach the socket, as PCAN-Basic says it: the status and, where the
// status alone does not tell what to do, a message for CAN_GetErrorText.
struct Refusal {
    pcan::Status status = pcan::ok;
    std::string message;
};

// The refusal of a send or receive on interface `name` that failed with `error` (errno): a full
// transmit queue (ENOBUFS, EAGAIN) is PCAN_ERROR_QXMTFULL; an interface that is down or gone
// (for a socket pair: whose far end closed), a frame the socket does not take, and a closed
// socket have their own statuses.
Refusal refusalOfErrno(int error, const std::string& name);

} // namespace socketcan
