#pragma once

#include "can/PcanBasicTypes.h"
#include "socketcan/LinkControl.h"

#include <cstdint>
#include <string>

namespace socketcan {

// Makes interface `name` run at `bitrate` [bit/s] and be up, as CAN_Initialize asks: an
// interface that already does is left alone; otherwise the bit rate is set (stop, set, start),
// which needs CAP_NET_ADMIN. A virtual CAN interface has no bit rate and only needs to be up.
// Where that cannot be done, the status refuses the initialisation and `message` says what is
// wrong and what to run. `busState` is the status the channel starts with (a controller that
// stayed bus-off, error-passive or at the warning level).
pcan::Status prepareInterface(LinkControl& links, const std::string& name, std::uint32_t bitrate, std::string& message,
                              pcan::Status& busState);

} // namespace socketcan
