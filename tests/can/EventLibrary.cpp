// A PCAN-Basic library of the Windows kind: it takes the receive event by CAN_SetValue and
// signals it at every arrival, instead of handing out a descriptor that stays readable. Its one
// channel answers every SDO upload request as a sensor would (0x43, value 0x12345678), and
// eventlibrary_deliver() puts a frame into the queue as if it came from the bus;
// eventlibrary_flood(1) makes the queue never empty (every read gives a TPDO 1 of node 5) until
// eventlibrary_flood(0), as on a bus too busy for the reader to catch up.

#include "can/PcanBasicTypes.h"

#include <unistd.h>

#include <cstring>
#include <deque>
#include <mutex>

using namespace pcan;

namespace {

std::mutex mutex;
std::deque<Message> queue;
int event = -1;
bool flooded = false;

void deliver(const Message& message)
{
    std::lock_guard lock(mutex);
    queue.push_back(message);
    if (event >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(event, &one, sizeof one);
    }
}

} // namespace

extern "C" {

void eventlibrary_deliver(std::uint32_t identifier)
{
    deliver(Message{identifier, 0, 8, {}});
}

void eventlibrary_flood(int on)
{
    std::lock_guard lock(mutex);
    flooded = on != 0;
}

Status CAN_Initialize(Handle, std::uint16_t, std::uint8_t, std::uint32_t, std::uint16_t)
{
    return ok;
}
Status CAN_InitializeFD(Handle, char*)
{
    return errorIllOperation;
}
Status CAN_Uninitialize(Handle)
{
    return ok;
}
Status CAN_GetStatus(Handle)
{
    return ok;
}
Status CAN_ReadFD(Handle, MessageFD*, std::uint64_t*)
{
    return errorIllOperation;
}
Status CAN_WriteFD(Handle, MessageFD*)
{
    return errorIllOperation;
}
Status CAN_FilterMessages(Handle, std::uint32_t, std::uint32_t, std::uint8_t)
{
    return ok;
}
Status CAN_GetErrorText(Status, std::uint16_t, char*)
{
    return errorIllOperation;
}
Status CAN_LookUpChannel(char*, Handle*)
{
    return errorIllOperation;
}

Status CAN_Reset(Handle)
{
    std::lock_guard lock(mutex);
    queue.clear();
    return ok;
}

Status CAN_Read(Handle, Message* message, Timestamp* timestamp)
{
    std::lock_guard lock(mutex);
    if (queue.empty() && !flooded)
        return errorQrcvEmpty;
    if (queue.empty()) {
        *message = Message{0x185, 0, 8, {}};
    } else {
        *message = queue.front();
        queue.pop_front();
    }
    if (timestamp)
        *timestamp = Timestamp{};
    return ok;
}

Status CAN_Write(Handle, Message* m)
{
    if (m->id >= 0x600 && m->id <= 0x67F && m->data[0] == 0x40)
        deliver(Message{m->id - 0x80, 0, 8, {0x43, m->data[1], m->data[2], m->data[3], 0x78, 0x56, 0x34, 0x12}});
    return ok;
}

// One attached channel, and no receive-event descriptor to hand out.
Status CAN_GetValue(Handle, Parameter parameter, void* buffer, std::uint32_t length)
{
    if (parameter == attachedChannelsCount && length >= 4)
        *static_cast<std::uint32_t*>(buffer) = 1;
    else if (parameter == attachedChannels && length >= sizeof(ChannelInformation))
        *static_cast<ChannelInformation*>(buffer) = ChannelInformation{usbBus1, 0, 0, 0, {}, 0, 0};
    else
        return errorIllParamType;
    return ok;
}

Status CAN_SetValue(Handle, Parameter parameter, void* buffer, std::uint32_t length)
{
    if (parameter != receiveEvent)
        return errorIllParamType;
    std::lock_guard lock(mutex);
    std::uint64_t handle = 0;
    std::memcpy(&handle, buffer, length == 8 ? 8 : 0);
    event = length == 8 ? static_cast<int>(handle) : -1;
    return ok;
}

} // extern "C"
