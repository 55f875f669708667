#include "socketcan/SendStatus.h"

#include <cerrno>
#include <cstring>

namespace socketcan {

Refusal refusalOfErrno(int error, const std::string& name)
{
    switch (error) {
    case 0: return {};
    case ENOBUFS: // the interface's transmit queue (txqueuelen) is full
    case EAGAIN: return {pcan::errorQXmtFull, {}};
    case ENETDOWN: return {pcan::errorIllOperation, name + " is down. As root: ip link set " + name + " up"};
    case ENODEV:
    case ENXIO:
    case ENOTCONN: // the far end of a socket pair closed
    case EPIPE:
    case ECONNRESET: return {pcan::errorIllHw, name + " is gone: the CAN adapter was unplugged or its driver unloaded."};
    case EINVAL:
    case EMSGSIZE: return {pcan::errorIllData, {}};
    case EBADF: return {pcan::errorInitialize, {}};
    default: return {pcan::errorUnknown, "Sending on " + name + " failed: " + std::strerror(error) + "."};
    }
}

} // namespace socketcan
