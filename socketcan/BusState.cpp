#include "socketcan/BusState.h"

#include <linux/can/error.h>
#include <linux/can/netlink.h>

namespace socketcan {

bool isErrorFrame(const can_frame& frame)
{
    return frame.can_id & CAN_ERR_FLAG;
}

pcan::Status busStateAfter(const can_frame& errorFrame, pcan::Status current)
{
    const canid_t errorClass = errorFrame.can_id & CAN_ERR_MASK;
    pcan::Status state = current;
    if (errorClass & CAN_ERR_RESTARTED)
        state = pcan::ok;
    if (errorClass & CAN_ERR_CRTL) {
        const std::uint8_t controller = errorFrame.data[1];
        if (controller & (CAN_ERR_CRTL_RX_PASSIVE | CAN_ERR_CRTL_TX_PASSIVE))
            state = pcan::errorBusPassive;
        else if (controller & (CAN_ERR_CRTL_RX_WARNING | CAN_ERR_CRTL_TX_WARNING))
            state = pcan::errorBusHeavy;
        else if (controller & CAN_ERR_CRTL_ACTIVE)
            state = pcan::ok;
    }
    if (errorClass & CAN_ERR_BUSOFF)
        state = pcan::errorBusOff;
    return state;
}

pcan::Status busStateOfControllerState(int state)
{
    switch (state) {
    case CAN_STATE_ERROR_WARNING: return pcan::errorBusHeavy;
    case CAN_STATE_ERROR_PASSIVE: return pcan::errorBusPassive;
    case CAN_STATE_BUS_OFF: return pcan::errorBusOff;
    default: return pcan::ok;
    }
}

} // namespace socketcan
