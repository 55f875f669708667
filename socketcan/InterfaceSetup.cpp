#include "socketcan/InterfaceSetup.h"

#include "socketcan/BusState.h"

namespace socketcan {

namespace {

std::string setBitrateCommands(const std::string& name, std::uint32_t bitrate)
{
    return "As root: ip link set " + name + " down; ip link set " + name + " type can bitrate " + std::to_string(bitrate)
         + "; ip link set " + name + " up";
}

// The message for an interface whose bit rate or state we could not change.
std::string refusalMessage(const std::string& name, std::uint32_t current, std::uint32_t wanted)
{
    if (current == 0)
        return name + " has no bit rate set, and setting it to " + std::to_string(wanted) + " was refused. "
             + setBitrateCommands(name, wanted);
    if (current != wanted)
        return name + " runs at " + std::to_string(current) + " bit/s, not " + std::to_string(wanted) + ". "
             + setBitrateCommands(name, wanted);
    return name + " is down. As root: ip link set " + name + " up";
}

pcan::Status prepareVirtual(LinkControl& links, const std::string& name, std::string& message)
{
    if (links.isUp(name) || links.bringUp(name))
        return pcan::ok;
    message = name + " is down. As root: ip link set " + name + " up";
    return pcan::errorIllOperation;
}

} // namespace

pcan::Status prepareInterface(LinkControl& links, const std::string& name, std::uint32_t bitrate, std::string& message,
                              pcan::Status& busState)
{
    busState = pcan::ok;
    if (!links.exists(name)) {
        message = "There is no network interface " + name
                + ". Connect the CAN adapter, or name its interface in "
                  "VELDRIS_SOCKETCAN (ip -details link show type can lists them).";
        return pcan::errorIllHw;
    }
    std::uint32_t current = 0;
    if (!links.bitrate(name, current))
        return prepareVirtual(links, name, message);
    const bool up = links.isUp(name);
    if (up && current == bitrate) {
        busState = busStateOfControllerState(links.controllerState(name));
        return pcan::ok;
    }
    if (links.restartAt(name, bitrate))
        return pcan::ok;
    message = refusalMessage(name, current, bitrate);
    return pcan::errorIllOperation;
}

} // namespace socketcan
