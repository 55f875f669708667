// A PCAN-Basic library that lacks one entry point (CAN_InitializeFD, as versions before CAN FD
// did): the binding must refuse to use it at all.

#include "can/PcanBasicTypes.h"

extern "C" {
pcan::Status CAN_Initialize(pcan::Handle, std::uint16_t, std::uint8_t, std::uint32_t, std::uint16_t)
{
    return pcan::ok;
}
pcan::Status CAN_Uninitialize(pcan::Handle)
{
    return pcan::ok;
}
pcan::Status CAN_Reset(pcan::Handle)
{
    return pcan::ok;
}
pcan::Status CAN_GetStatus(pcan::Handle)
{
    return pcan::ok;
}
pcan::Status CAN_Read(pcan::Handle, pcan::Message*, pcan::Timestamp*)
{
    return pcan::ok;
}
pcan::Status CAN_ReadFD(pcan::Handle, pcan::MessageFD*, std::uint64_t*)
{
    return pcan::ok;
}
pcan::Status CAN_Write(pcan::Handle, pcan::Message*)
{
    return pcan::ok;
}
pcan::Status CAN_WriteFD(pcan::Handle, pcan::MessageFD*)
{
    return pcan::ok;
}
pcan::Status CAN_FilterMessages(pcan::Handle, std::uint32_t, std::uint32_t, std::uint8_t)
{
    return pcan::ok;
}
pcan::Status CAN_GetValue(pcan::Handle, pcan::Parameter, void*, std::uint32_t)
{
    return pcan::ok;
}
pcan::Status CAN_SetValue(pcan::Handle, pcan::Parameter, void*, std::uint32_t)
{
    return pcan::ok;
}
pcan::Status CAN_GetErrorText(pcan::Status, std::uint16_t, char*)
{
    return pcan::ok;
}
pcan::Status CAN_LookUpChannel(char*, pcan::Handle*)
{
    return pcan::ok;
}
}
