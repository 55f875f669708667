#pragma once

#include <cstdint>

// The records, constants and entry-point signatures of PEAK's PCAN-Basic API (C linkage,
// natural alignment, the same layout on Linux and Windows), written from its published
// documentation. Shared by the program's binding and the simulated library.
namespace pcan {

using Handle = std::uint16_t;
using Status = std::uint32_t;
using Parameter = std::uint8_t;

struct Message { // TPCANMsg
    std::uint32_t id;
    std::uint8_t messageType;
    std::uint8_t length;
    std::uint8_t data[8];
};
static_assert(sizeof(Message) == 16);

struct Timestamp { // TPCANTimestamp; µs = micros + 1000 × millis + 2^32 × 1000 × millisOverflow
    std::uint32_t millis;
    std::uint16_t millisOverflow;
    std::uint16_t micros;
};
static_assert(sizeof(Timestamp) == 8);

struct MessageFD { // TPCANMsgFD
    std::uint32_t id;
    std::uint8_t messageType;
    std::uint8_t dlc;
    std::uint8_t data[64];
};
static_assert(sizeof(MessageFD) == 72);

struct ChannelInformation { // TPCANChannelInformation
    Handle channelHandle;
    std::uint8_t deviceType;
    std::uint8_t controllerNumber;
    std::uint32_t deviceFeatures;
    char deviceName[33];
    std::uint32_t deviceId;
    std::uint32_t channelCondition;
};
static_assert(sizeof(ChannelInformation) == 52);

// Channels.
inline constexpr Handle noneBus = 0x00;
inline constexpr Handle usbBus1 = 0x51;

// Status codes (bit sets; the ILLHANDLE family is a multi-bit field in 0x1C00).
inline constexpr Status ok = 0x0;
inline constexpr Status errorXmtFull = 0x1;
inline constexpr Status errorOverrun = 0x2;
inline constexpr Status errorBusLight = 0x4;
inline constexpr Status errorBusHeavy = 0x8;
inline constexpr Status errorBusOff = 0x10;
inline constexpr Status errorQrcvEmpty = 0x20;
inline constexpr Status errorQOverrun = 0x40;
inline constexpr Status errorQXmtFull = 0x80;
inline constexpr Status errorNoDriver = 0x200;
inline constexpr Status errorIllHw = 0x1400;
inline constexpr Status errorIllNet = 0x1800;
inline constexpr Status errorIllClient = 0x1C00;
inline constexpr Status errorResource = 0x2000;
inline constexpr Status errorIllParamType = 0x4000;
inline constexpr Status errorIllParamVal = 0x8000;
inline constexpr Status errorUnknown = 0x10000;
inline constexpr Status errorIllData = 0x20000;
inline constexpr Status errorBusPassive = 0x40000;
inline constexpr Status errorCaution = 0x2000000;
inline constexpr Status errorInitialize = 0x4000000;
inline constexpr Status errorIllOperation = 0x8000000;

// Parameters of CAN_GetValue / CAN_SetValue.
inline constexpr Parameter deviceId = 0x01;
inline constexpr Parameter receiveEvent = 0x03;
inline constexpr Parameter messageFilter = 0x04;
inline constexpr Parameter apiVersion = 0x05;
inline constexpr Parameter channelVersion = 0x06;
inline constexpr Parameter busoffAutoreset = 0x07;
inline constexpr Parameter listenOnly = 0x08;
inline constexpr Parameter channelCondition = 0x0D;
inline constexpr Parameter hardwareName = 0x0E;
inline constexpr Parameter controllerNumber = 0x10;
inline constexpr Parameter channelFeatures = 0x16;
inline constexpr Parameter allowStatusFrames = 0x1E;
inline constexpr Parameter allowRtrFrames = 0x1F;
inline constexpr Parameter allowErrorFrames = 0x20;
inline constexpr Parameter firmwareVersion = 0x29;
inline constexpr Parameter attachedChannelsCount = 0x2A;
inline constexpr Parameter attachedChannels = 0x2B;
inline constexpr Parameter allowEchoFrames = 0x2C;
inline constexpr Parameter devicePartNumber = 0x2D;

inline constexpr std::uint32_t parameterOff = 0;
inline constexpr std::uint32_t parameterOn = 1;
inline constexpr std::uint32_t filterClose = 0;
inline constexpr std::uint32_t filterOpen = 1;
inline constexpr std::uint32_t filterCustom = 2;
inline constexpr std::uint32_t channelUnavailable = 0;
inline constexpr std::uint32_t channelAvailable = 1;
inline constexpr std::uint32_t channelOccupied = 2;
inline constexpr std::uint8_t deviceTypeUsb = 0x05;

// Message types (bits).
inline constexpr std::uint8_t messageStandard = 0x00;
inline constexpr std::uint8_t messageRtr = 0x01;
inline constexpr std::uint8_t messageExtended = 0x02;
inline constexpr std::uint8_t messageFd = 0x04;
inline constexpr std::uint8_t messageErrorFrame = 0x40;
inline constexpr std::uint8_t messageStatus = 0x80;
inline constexpr std::uint8_t modeStandard = 0;
inline constexpr std::uint8_t modeExtended = 2;

// BTR0/BTR1 codes of CAN_Initialize.
inline constexpr std::uint16_t baud1M = 0x0014;
inline constexpr std::uint16_t baud800K = 0x0016;
inline constexpr std::uint16_t baud500K = 0x001C;
inline constexpr std::uint16_t baud250K = 0x011C;
inline constexpr std::uint16_t baud125K = 0x031C;
inline constexpr std::uint16_t baud100K = 0x432F;
inline constexpr std::uint16_t baud50K = 0x472F;
inline constexpr std::uint16_t baud20K = 0x532F;
inline constexpr std::uint16_t baud10K = 0x672F;
inline constexpr std::uint16_t baud5K = 0x7F7F;

} // namespace pcan

// Entry points (undecorated C symbols; __stdcall only matters on 32-bit Windows).
extern "C" {
using CAN_Initialize_t = pcan::Status (*)(pcan::Handle, std::uint16_t, std::uint8_t, std::uint32_t, std::uint16_t);
using CAN_InitializeFD_t = pcan::Status (*)(pcan::Handle, char*);
using CAN_Uninitialize_t = pcan::Status (*)(pcan::Handle);
using CAN_Reset_t = pcan::Status (*)(pcan::Handle);
using CAN_GetStatus_t = pcan::Status (*)(pcan::Handle);
using CAN_Read_t = pcan::Status (*)(pcan::Handle, pcan::Message*, pcan::Timestamp*);
using CAN_ReadFD_t = pcan::Status (*)(pcan::Handle, pcan::MessageFD*, std::uint64_t*);
using CAN_Write_t = pcan::Status (*)(pcan::Handle, pcan::Message*);
using CAN_WriteFD_t = pcan::Status (*)(pcan::Handle, pcan::MessageFD*);
using CAN_FilterMessages_t = pcan::Status (*)(pcan::Handle, std::uint32_t, std::uint32_t, std::uint8_t);
using CAN_GetValue_t = pcan::Status (*)(pcan::Handle, pcan::Parameter, void*, std::uint32_t);
using CAN_SetValue_t = pcan::Status (*)(pcan::Handle, pcan::Parameter, void*, std::uint32_t);
using CAN_GetErrorText_t = pcan::Status (*)(pcan::Status, std::uint16_t, char*);
using CAN_LookUpChannel_t = pcan::Status (*)(char*, pcan::Handle*);
}
