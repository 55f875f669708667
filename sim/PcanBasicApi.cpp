// The fourteen PCAN-Basic entry points over the simulated bus: one attached PCAN-USB channel
// (handle 0x51), classic CAN only, behaving like PCAN-Basic for Linux (the receive event is a
// file descriptor handed out by CAN_GetValue; CAN_SetValue cannot register one).

#include "can/ChannelSearch.h"
#include "can/PcanBasicRecords.h"
#include "can/PcanBasicTypes.h"
#include "sim/Simulator.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace pcan;

namespace {

// Settings of the one channel that the bus itself does not hold.
struct ChannelSettings {
    bool listenOnly = false;
    std::uint32_t allowStatus = parameterOn;
    std::uint32_t allowRtr = parameterOn;
    std::uint32_t allowError = parameterOff;
    std::uint32_t allowEcho = parameterOff;
    std::uint32_t busoffAutoreset = parameterOff;
    std::uint32_t filterState = filterOpen;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> standardRanges, extendedRanges;
};

std::mutex settingsMutex;
ChannelSettings settings;

struct BitrateCode {
    std::uint16_t code;
    int kbit;
};
constexpr BitrateCode bitrateCodes[] = {{baud1M, 1000},  {baud800K, 800}, {baud500K, 500}, {baud250K, 250}, {baud125K, 125},
                                        {baud100K, 100}, {baud50K, 50},   {baud20K, 20},   {baud10K, 10},   {baud5K, 5}};

sim::VirtualBus* busOf(Handle channel, Status& refusal)
{
    sim::VirtualBus* bus = sim::Simulator::instance().bus();
    if (!bus || channel != usbBus1)
        refusal = errorIllHw; // no such hardware
    else
        refusal = ok;
    return refusal == ok ? bus : nullptr;
}

// The bus of an initialised channel, or the status that refuses the call.
sim::VirtualBus* openBus(Handle channel, Status& refusal)
{
    sim::VirtualBus* bus = busOf(channel, refusal);
    if (bus && !bus->portOpen()) {
        refusal = errorInitialize;
        return nullptr;
    }
    return bus;
}

bool accepts(const sim::Frame& frame)
{
    std::lock_guard lock(settingsMutex);
    if (settings.filterState == filterClose)
        return false;
    if (settings.filterState == filterOpen)
        return true;
    const auto& ranges = frame.extended ? settings.extendedRanges : settings.standardRanges;
    for (const auto& [from, to] : ranges)
        if (frame.id >= from && frame.id <= to)
            return true;
    return false;
}

ChannelInformation channelRecord(bool occupied)
{
    ChannelInformation record{};
    record.channelHandle = usbBus1;
    record.deviceType = deviceTypeUsb;
    record.controllerNumber = 0;
    record.deviceFeatures = 0; // classic CAN only
    std::strncpy(record.deviceName, "PCAN-USB", sizeof record.deviceName - 1);
    record.deviceId = 0xFF;
    record.channelCondition = occupied ? channelOccupied : channelAvailable;
    return record;
}

Status getGlobalValue(Parameter parameter, void* buffer, std::uint32_t length)
{
    sim::VirtualBus* bus = sim::Simulator::instance().bus();
    const std::uint32_t count = bus ? 1 : 0;
    switch (parameter) {
    case attachedChannelsCount: return putValue(buffer, length, count);
    case attachedChannels:
        if (count == 0)
            return ok;
        return putValue(buffer, length, channelRecord(bus->portOpen()));
    case apiVersion: return putText(buffer, length, "4.7.0.3");
    default: return errorIllParamType;
    }
}

std::uint32_t* settingOf(Parameter parameter)
{
    switch (parameter) {
    case allowStatusFrames: return &settings.allowStatus;
    case allowRtrFrames: return &settings.allowRtr;
    case allowErrorFrames: return &settings.allowError;
    case allowEchoFrames: return &settings.allowEcho;
    case busoffAutoreset: return &settings.busoffAutoreset;
    case messageFilter: return &settings.filterState;
    default: return nullptr;
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) Status CAN_Initialize(Handle channel, std::uint16_t btr0btr1, std::uint8_t,
                                                             std::uint32_t, std::uint16_t)
{
    Status refusal = ok;
    sim::VirtualBus* bus = busOf(channel, refusal);
    if (!bus)
        return refusal;
    if (bus->portOpen())
        return errorInitialize;
    for (const BitrateCode& rate : bitrateCodes) {
        if (rate.code == btr0btr1) {
            if (!bus->takeOpen())
                return errorInitialize;
            {
                std::lock_guard lock(settingsMutex);
                settings = ChannelSettings{};
            }
            bus->setAcceptance(accepts);
            bus->openPort(rate.kbit);
            return ok;
        }
    }
    return errorIllParamVal;
}

__attribute__((visibility("default"))) Status CAN_InitializeFD(Handle channel, char*)
{
    Status refusal = ok;
    return busOf(channel, refusal) ? errorIllOperation : refusal; // the channel is not FD capable
}

__attribute__((visibility("default"))) Status CAN_Uninitialize(Handle channel)
{
    sim::Simulator& simulator = sim::Simulator::instance();
    sim::VirtualBus* bus = simulator.bus();
    if (!bus || (channel != usbBus1 && channel != noneBus))
        return errorIllHw;
    if (!bus->portOpen())
        return channel == noneBus ? ok : errorInitialize;
    bus->closePort();
    simulator.saveState();
    return ok;
}

__attribute__((visibility("default"))) Status CAN_Reset(Handle channel)
{
    Status refusal = ok;
    sim::VirtualBus* bus = openBus(channel, refusal);
    if (bus)
        bus->clearQueue();
    return refusal;
}

__attribute__((visibility("default"))) Status CAN_GetStatus(Handle channel)
{
    Status refusal = ok;
    sim::VirtualBus* bus = openBus(channel, refusal);
    if (!bus)
        return refusal;
    if (bus->portBusOff())
        return errorBusOff;
    return bus->takeOverrun() ? errorQOverrun : ok;
}

__attribute__((visibility("default"))) Status CAN_Read(Handle channel, Message* message, Timestamp* timestamp)
{
    Status refusal = ok;
    sim::VirtualBus* bus = openBus(channel, refusal);
    if (!bus)
        return refusal;
    if (!message)
        return errorIllParamVal;
    sim::Frame frame;
    sim::Micros stamp = 0;
    if (!bus->readFrame(frame, stamp))
        return errorQrcvEmpty;
    message->id = frame.id;
    message->messageType =
        static_cast<std::uint8_t>((frame.extended ? messageExtended : messageStandard) | (frame.remote ? messageRtr : 0));
    message->length = frame.length;
    std::memcpy(message->data, frame.data, sizeof message->data);
    if (timestamp)
        *timestamp = timestampAt(static_cast<std::uint64_t>(stamp));
    return ok;
}

__attribute__((visibility("default"))) Status CAN_ReadFD(Handle channel, MessageFD*, std::uint64_t*)
{
    Status refusal = ok;
    return openBus(channel, refusal) ? errorIllOperation : refusal;
}

__attribute__((visibility("default"))) Status CAN_Write(Handle channel, Message* message)
{
    Status refusal = ok;
    sim::VirtualBus* bus = openBus(channel, refusal);
    if (!bus)
        return refusal;
    if (!message || message->length > 8 || (message->messageType & ~(messageRtr | messageExtended)))
        return errorIllData;
    const bool extended = message->messageType & messageExtended;
    if (message->id > (extended ? 0x1FFFFFFFu : 0x7FFu))
        return errorIllData;
    {
        std::lock_guard lock(settingsMutex);
        if (settings.listenOnly)
            return errorIllOperation;
    }
    if (const Status refusal = bus->writeRefusal(message->id))
        return refusal;
    sim::Frame frame;
    frame.id = message->id;
    frame.length = message->length;
    frame.extended = extended;
    frame.remote = message->messageType & messageRtr;
    std::memcpy(frame.data, message->data, frame.length);
    return bus->writeFrame(frame) ? ok : errorBusOff;
}

__attribute__((visibility("default"))) Status CAN_WriteFD(Handle channel, MessageFD*)
{
    Status refusal = ok;
    return openBus(channel, refusal) ? errorIllOperation : refusal;
}

__attribute__((visibility("default"))) Status CAN_FilterMessages(Handle channel, std::uint32_t from, std::uint32_t to,
                                                                 std::uint8_t mode)
{
    Status refusal = ok;
    if (!openBus(channel, refusal))
        return refusal;
    if ((mode != modeStandard && mode != modeExtended) || from > to)
        return errorIllParamVal;
    std::lock_guard lock(settingsMutex);
    // Each call widens the filter; the first one closes everything else.
    if (settings.filterState != filterCustom) {
        settings.standardRanges.clear();
        settings.extendedRanges.clear();
    }
    settings.filterState = filterCustom;
    (mode == modeExtended ? settings.extendedRanges : settings.standardRanges).emplace_back(from, to);
    return ok;
}

__attribute__((visibility("default"))) Status CAN_GetValue(Handle channel, Parameter parameter, void* buffer,
                                                           std::uint32_t length)
{
    if (channel == noneBus)
        return getGlobalValue(parameter, buffer, length);
    Status refusal = ok;
    sim::VirtualBus* bus = busOf(channel, refusal);
    if (!bus)
        return refusal;
    switch (parameter) {
    case receiveEvent:
        if (!bus->portOpen())
            return errorInitialize;
        return putValue(buffer, length, static_cast<int>(bus->receiveEventFd()));
    case deviceId: return putValue(buffer, length, std::uint32_t{0xFF});
    case channelCondition: return putValue(buffer, length, bus->portOpen() ? channelOccupied : channelAvailable);
    case hardwareName: return putText(buffer, length, "PCAN-USB");
    case channelVersion: return putText(buffer, length, "Veldris bus simulator, PCAN-Basic 4.7 interface");
    case firmwareVersion: return putText(buffer, length, "1.0.0");
    case devicePartNumber: return putText(buffer, length, "SIM-0001");
    case controllerNumber:
    case channelFeatures: return putValue(buffer, length, std::uint32_t{0});
    case listenOnly: {
        std::lock_guard lock(settingsMutex);
        return putValue(buffer, length, settings.listenOnly ? parameterOn : parameterOff);
    }
    default: {
        std::lock_guard lock(settingsMutex);
        if (const std::uint32_t* setting = settingOf(parameter))
            return putValue(buffer, length, *setting);
        return errorIllParamType;
    }
    }
}

__attribute__((visibility("default"))) Status CAN_SetValue(Handle channel, Parameter parameter, void* buffer,
                                                           std::uint32_t length)
{
    Status refusal = ok;
    if (!busOf(channel, refusal))
        return refusal;
    if (parameter == receiveEvent)
        return errorIllOperation; // on Linux the event is read with CAN_GetValue, never set
    std::uint32_t value = 0;
    if (!buffer || length < sizeof value)
        return errorIllParamVal;
    std::memcpy(&value, buffer, sizeof value);
    std::lock_guard lock(settingsMutex);
    if (parameter == listenOnly) {
        settings.listenOnly = value == parameterOn;
        return ok;
    }
    std::uint32_t* setting = settingOf(parameter);
    if (!setting)
        return errorIllParamType;
    if (value > (parameter == messageFilter ? filterOpen : parameterOn))
        return errorIllParamVal;
    *setting = value;
    if (parameter == messageFilter) {
        settings.standardRanges.clear();
        settings.extendedRanges.clear();
    }
    return ok;
}

__attribute__((visibility("default"))) Status CAN_GetErrorText(Status error, std::uint16_t, char* buffer)
{
    static const std::pair<Status, const char*> texts[] = {
        {ok, "No error"},
        {errorXmtFull, "Transmit buffer in CAN controller is full"},
        {errorOverrun, "CAN controller was read too late"},
        {errorQrcvEmpty, "Receive queue is empty"},
        {errorQOverrun, "Receive queue was read too late"},
        {errorQXmtFull, "Transmit queue is full"},
        {errorNoDriver, "Driver not loaded"},
        {errorIllHw, "Invalid hardware handle"},
        {errorIllClient, "Invalid client handle"},
        {errorIllParamType, "Invalid parameter"},
        {errorIllParamVal, "Invalid parameter value"},
        {errorUnknown, "Unknown error"},
        {errorIllData, "Invalid data, function, or action"},
        {errorInitialize, "Channel is not initialized"},
        {errorIllOperation, "Invalid operation"},
    };
    if (!buffer)
        return errorIllParamVal;
    for (const auto& [code, text] : texts) {
        if (code == error) {
            std::strncpy(buffer, text, 255);
            buffer[255] = '\0';
            return ok;
        }
    }
    return errorIllParamVal;
}

__attribute__((visibility("default"))) Status CAN_LookUpChannel(char* parameters, Handle* found)
{
    if (!parameters || !found)
        return errorIllParamVal;
    // The one channel matches a search for a PCAN-USB device, controller 0, or no criteria at all.
    *found = sim::Simulator::instance().bus() && veldris::searchFitsUsbController0(parameters) ? usbBus1 : noneBus;
    return ok;
}

} // extern "C"
