#include "can/StatusText.h"

#include <cstdio>

namespace veldris {

namespace {

struct StatusName {
    pcan::Status status;
    const char* name;
};

// The ILLHANDLE family (0x1C00) is a field, not a set of bits: it is matched whole first.
constexpr StatusName handleNames[] = {
    {pcan::errorIllHw, "no such hardware"},
    {pcan::errorIllNet, "no such net"},
    {pcan::errorIllClient, "no such client"},
};

constexpr StatusName bitNames[] = {
    {pcan::errorXmtFull, "transmit buffer full"},
    {pcan::errorOverrun, "controller overrun"},
    {pcan::errorBusLight, "bus light"},
    {pcan::errorBusHeavy, "bus heavy"},
    {pcan::errorBusOff, "bus off"},
    {pcan::errorQrcvEmpty, "receive queue empty"},
    {pcan::errorQOverrun, "receive queue overrun"},
    {pcan::errorQXmtFull, "transmit queue full"},
    {pcan::errorNoDriver, "no driver"},
    {pcan::errorResource, "no resource"},
    {pcan::errorIllParamType, "wrong parameter type"},
    {pcan::errorIllParamVal, "wrong parameter value"},
    {pcan::errorUnknown, "unknown error"},
    {pcan::errorIllData, "invalid data"},
    {pcan::errorBusPassive, "bus passive"},
    {pcan::errorCaution, "caution"},
    {pcan::errorInitialize, "channel not initialised"},
    {pcan::errorIllOperation, "invalid operation"},
};

constexpr pcan::Status handleField = 0x1C00;

} // namespace

std::string statusText(pcan::Status status)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%05X", status);
    std::string names;
    auto add = [&names](const char* name) { names += (names.empty() ? "" : ", ") + std::string(name); };
    for (const StatusName& entry : handleNames)
        if ((status & handleField) == entry.status)
            add(entry.name);
    for (const StatusName& entry : bitNames)
        if (status & entry.status)
            add(entry.name);
    if (status == pcan::ok)
        add("ok");
    return names.empty() ? std::string(hex) : std::string(hex) + " (" + names + ")";
}

} // namespace veldris
