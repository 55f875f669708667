#include "socketcan/CanRawSocket.h"

#include <linux/can/error.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace socketcan {

std::unique_ptr<FrameSocket> openCanRaw(const std::string& name, std::string& message)
{
    const int fd = ::socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
    if (fd < 0) {
        message = "No CAN_RAW socket: " + std::string(std::strerror(errno)) + ". As root: modprobe can_raw";
        return nullptr;
    }
    const can_err_mask_t errors = CAN_ERR_BUSOFF | CAN_ERR_CRTL | CAN_ERR_RESTARTED;
    ::setsockopt(fd, SOL_CAN_RAW, CAN_RAW_ERR_FILTER, &errors, sizeof errors);
    sockaddr_can address{};
    address.can_family = AF_CAN;
    address.can_ifindex = static_cast<int>(::if_nametoindex(name.c_str()));
    if (address.can_ifindex == 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        message = "The CAN socket cannot be bound to " + name + ": " + std::strerror(errno) + ".";
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FrameSocket>(fd);
}

} // namespace socketcan
