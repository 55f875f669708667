#pragma once

#include <string>

namespace veldris {

// Whether a CAN_LookUpChannel search ("devicetype=pcan_usb,controllernumber=0", ...) can be
// met by a library whose channels all present themselves as controller 0 of a PCAN-USB
// device: it names no other device type and no other controller.
inline bool searchFitsUsbController0(const std::string& search)
{
    const bool otherDevice =
        search.find("devicetype=") != std::string::npos && search.find("devicetype=pcan_usb") == std::string::npos;
    const bool otherController =
        search.find("controllernumber=") != std::string::npos && search.find("controllernumber=0") == std::string::npos;
    return !otherDevice && !otherController;
}

} // namespace veldris
