#include "socketcan/LinkControl.h"

#include <libsocketcan.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace socketcan {

namespace {

class SystemLinks : public LinkControl {
public:
    bool exists(const std::string& name) const override { return ::if_nametoindex(name.c_str()) != 0; }

    bool isUp(const std::string& name) const override
    {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); // any socket answers SIOCGIFFLAGS
        if (fd < 0)
            return false;
        ifreq request{};
        std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
        const bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_UP);
        ::close(fd);
        return up;
    }

    bool bitrate(const std::string& name, std::uint32_t& bitrate) const override
    {
        can_bittiming timing{};
        if (can_get_bittiming(name.c_str(), &timing) != 0)
            return false;
        bitrate = timing.bitrate;
        return true;
    }

    int controllerState(const std::string& name) const override
    {
        int state = -1;
        return can_get_state(name.c_str(), &state) == 0 ? state : -1;
    }

    bool restartAt(const std::string& name, std::uint32_t bitrate) override
    {
        return can_do_stop(name.c_str()) == 0 && can_set_bitrate(name.c_str(), bitrate) == 0 && can_do_start(name.c_str()) == 0;
    }

    bool bringUp(const std::string& name) override { return can_do_start(name.c_str()) == 0; }
};

} // namespace

LinkControl& systemLinks()
{
    static SystemLinks links;
    return links;
}

} // namespace socketcan
