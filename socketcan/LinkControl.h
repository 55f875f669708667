#pragma once

#include <cstdint>
#include <string>

namespace socketcan {

// What the library asks of the kernel about a network interface; the system's answers come
// from if_nametoindex, SIOCGIFFLAGS and libsocketcan (netlink). An interface for the
// tests' fakes, since the machines that run them have no CAN interface.
class LinkControl {
public:
    virtual ~LinkControl() = default;

    virtual bool exists(const std::string& name) const = 0;
    virtual bool isUp(const std::string& name) const = 0;
    // False for an interface without bit timing (virtual CAN); 0 for one never configured.
    virtual bool bitrate(const std::string& name, std::uint32_t& bitrate) const = 0;
    // The controller state (CAN_STATE_*), or -1 where the interface reports none.
    virtual int controllerState(const std::string& name) const = 0;
    // Stops the interface, sets the bit rate and starts it again; false when refused (it needs
    // CAP_NET_ADMIN).
    virtual bool restartAt(const std::string& name, std::uint32_t bitrate) = 0;
    // Sets the interface up; false when refused.
    virtual bool bringUp(const std::string& name) = 0;
};

// The kernel's answers.
LinkControl& systemLinks();

} // namespace socketcan
