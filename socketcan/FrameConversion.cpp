#include "socketcan/FrameConversion.h"

#include "can/PcanBasicRecords.h"

#include <algorithm>
#include <cstring>

namespace socketcan {

pcan::Message messageOf(const can_frame& frame)
{
    pcan::Message message{};
    const bool extended = frame.can_id & CAN_EFF_FLAG;
    message.id = frame.can_id & (extended ? CAN_EFF_MASK : CAN_SFF_MASK);
    message.messageType = static_cast<std::uint8_t>((extended ? pcan::messageExtended : pcan::messageStandard)
                                                    | (frame.can_id & CAN_RTR_FLAG ? pcan::messageRtr : 0));
    message.length = std::min<std::uint8_t>(frame.len, CAN_MAX_DLEN);
    std::memcpy(message.data, frame.data, message.length);
    return message;
}

bool frameOf(const pcan::Message& message, can_frame& frame)
{
    constexpr std::uint8_t classicTypes = pcan::messageRtr | pcan::messageExtended;
    if (message.length > CAN_MAX_DLEN || (message.messageType & ~classicTypes))
        return false;
    const bool extended = message.messageType & pcan::messageExtended;
    if (message.id > (extended ? CAN_EFF_MASK : CAN_SFF_MASK))
        return false;
    frame = can_frame{};
    const bool remote = message.messageType & pcan::messageRtr;
    frame.can_id = message.id | (extended ? CAN_EFF_FLAG : 0) | (remote ? CAN_RTR_FLAG : 0);
    frame.len = message.length;
    std::memcpy(frame.data, message.data, message.length);
    return true;
}

pcan::Timestamp timestampOf(std::int64_t microsSinceEpoch)
{
    return pcan::timestampAt(static_cast<std::uint64_t>(std::max<std::int64_t>(microsSinceEpoch, 0)));
}

} // namespace socketcan
