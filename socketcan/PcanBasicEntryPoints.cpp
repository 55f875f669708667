// The fourteen PCAN-Basic entry points over Linux SocketCAN: the channels listed in
// VELDRIS_SOCKETCAN as PCAN-USB channels 0x51.., classic CAN with the behaviour of PCAN-Basic
// for Linux (the receive event is a descriptor handed out by CAN_GetValue; CAN_SetValue cannot
// register one). Every entry point catches what the standard library may throw (memory) and
// answers PCAN_ERROR_RESOURCE instead: nothing leaves a C call as an exception.

#include "can/ChannelSearch.h"
#include "can/PcanBasicTypes.h"
#include "socketcan/ChannelList.h"
#include "socketcan/ErrorText.h"
#include "socketcan/OpenChannels.h"
#include "socketcan/ParameterValues.h"

#include <string>

using namespace pcan;
using socketcan::ErrorText;
using socketcan::OpenChannels;

namespace {

template <class Call>
Status guarded(Call&& call) noexcept
{
    try {
        return call();
    } catch (...) {
        return errorResource;
    }
}

// The FD calls on an open channel: the library carries classic CAN frames only.
Status classicOnly(socketcan::Channel&)
{
    return errorIllOperation;
}

} // namespace

#define VELDRIS_EXPORT extern "C" __attribute__((visibility("default")))

VELDRIS_EXPORT Status CAN_Initialize(Handle channel, std::uint16_t btr0btr1, std::uint8_t, std::uint32_t, std::uint16_t)
{
    return guarded([&] { return OpenChannels::instance().open(channel, btr0btr1, socketcan::systemLinks()); });
}

VELDRIS_EXPORT Status CAN_InitializeFD(Handle channel, char*)
{
    return guarded([&] {
        return socketcan::listedChannel(channel)
                 ? ErrorText::refuse(errorIllOperation, "CAN FD is not offered: "
                                                        "the library sends classic CAN frames only.")
                 : errorIllHw;
    });
}

VELDRIS_EXPORT Status CAN_Uninitialize(Handle channel)
{
    return guarded([&] { return OpenChannels::instance().close(channel); });
}

VELDRIS_EXPORT Status CAN_Reset(Handle channel)
{
    return guarded([&] {
        return OpenChannels::instance().with(channel, [](socketcan::Channel& open) {
            open.reset();
            return ok;
        });
    });
}

VELDRIS_EXPORT Status CAN_GetStatus(Handle channel)
{
    return guarded(
        [&] { return OpenChannels::instance().with(channel, [](socketcan::Channel& open) { return open.status(); }); });
}

VELDRIS_EXPORT Status CAN_Read(Handle channel, Message* message, Timestamp* timestamp)
{
    return guarded([&] {
        return OpenChannels::instance().with(
            channel, [&](socketcan::Channel& open) { return message ? open.read(*message, timestamp) : errorIllParamVal; });
    });
}

VELDRIS_EXPORT Status CAN_ReadFD(Handle channel, MessageFD*, std::uint64_t*)
{
    return guarded([&] { return OpenChannels::instance().with(channel, classicOnly); });
}

VELDRIS_EXPORT Status CAN_Write(Handle channel, Message* message)
{
    return guarded([&] {
        return OpenChannels::instance().with(channel, [&](socketcan::Channel& open) {
            if (!message)
                return errorIllParamVal;
            const socketcan::Refusal refusal = open.write(*message);
            return refusal.status == ok ? ok : ErrorText::refuse(refusal.status, refusal.message);
        });
    });
}

VELDRIS_EXPORT Status CAN_WriteFD(Handle channel, MessageFD*)
{
    return guarded([&] { return OpenChannels::instance().with(channel, classicOnly); });
}

VELDRIS_EXPORT Status CAN_FilterMessages(Handle channel, std::uint32_t from, std::uint32_t to, std::uint8_t mode)
{
    return guarded([&] {
        return OpenChannels::instance().with(
            channel, [&](socketcan::Channel& open) { return open.filter().widen(from, to, mode) ? ok : errorIllParamVal; });
    });
}

VELDRIS_EXPORT Status CAN_GetValue(Handle channel, Parameter parameter, void* buffer, std::uint32_t length)
{
    return guarded([&] { return socketcan::getValue(channel, parameter, buffer, length); });
}

VELDRIS_EXPORT Status CAN_SetValue(Handle channel, Parameter parameter, void* buffer, std::uint32_t length)
{
    return guarded([&] { return socketcan::setValue(channel, parameter, buffer, length); });
}

VELDRIS_EXPORT Status CAN_GetErrorText(Status error, std::uint16_t, char* buffer)
{
    return guarded([&] { return ErrorText::copy(error, buffer); });
}

// The first attached channel answers a search for a PCAN-USB device on controller 0, or one
// without criteria; PCAN_NONEBUS when there is none.
VELDRIS_EXPORT Status CAN_LookUpChannel(char* parameters, Handle* found)
{
    return guarded([&] {
        if (!parameters || !found)
            return errorIllParamVal;
        const auto attached = socketcan::attachedChannels();
        *found = attached.empty() || !veldris::searchFitsUsbController0(parameters) ? noneBus : attached.front().channelHandle;
        return ok;
    });
}
