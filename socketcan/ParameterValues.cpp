#include "socketcan/ParameterValues.h"

#include "can/PcanBasicRecords.h"

#include "socketcan/ChannelList.h"
#include "socketcan/OpenChannels.h"

#include <cstring>
#include <string>

namespace socketcan {

namespace {

using pcan::putText;
using pcan::putValue;

pcan::ChannelInformation recordOf(const ChannelEntry& entry)
{
    pcan::ChannelInformation record{};
    record.channelHandle = entry.handle;
    record.deviceType = pcan::deviceTypeUsb;
    std::strncpy(record.deviceName, entry.name.c_str(), sizeof record.deviceName - 1);
    record.channelCondition = OpenChannels::instance().isOpen(entry.handle) ? pcan::channelOccupied
                            : attached(entry, systemLinks())                ? pcan::channelAvailable
                                                                            : pcan::channelUnavailable;
    return record;
}

pcan::Status getGlobalValue(pcan::Parameter parameter, void* buffer, std::uint32_t length)
{
    switch (parameter) {
    case pcan::attachedChannelsCount: return putValue(buffer, length, static_cast<std::uint32_t>(attachedChannels().size()));
    case pcan::attachedChannels: {
        const std::vector<pcan::ChannelInformation> records = attachedChannels();
        const std::size_t bytes = records.size() * sizeof(pcan::ChannelInformation);
        if (records.empty())
            return pcan::ok;
        if (!buffer || length < bytes)
            return pcan::errorIllParamVal;
        std::memcpy(buffer, records.data(), bytes);
        return pcan::ok;
    }
    case pcan::apiVersion: return putText(buffer, length, "4.7.0.3");
    default: return pcan::errorIllParamType;
    }
}

pcan::Status getChannelValue(const ChannelEntry& entry, pcan::Parameter parameter, void* buffer, std::uint32_t length)
{
    OpenChannels& open = OpenChannels::instance();
    switch (parameter) {
    case pcan::receiveEvent:
        return open.with(entry.handle, [&](Channel& channel) { return putValue(buffer, length, channel.eventDescriptor()); });
    case pcan::messageFilter:
        return open.with(entry.handle, [&](Channel& channel) { return putValue(buffer, length, channel.filter().state()); });
    case pcan::channelCondition: return putValue(buffer, length, recordOf(entry).channelCondition);
    case pcan::hardwareName: return putText(buffer, length, entry.name);
    case pcan::channelVersion:
        return putText(buffer, length, "Veldris SocketCAN library, PCAN-Basic 4.7 interface, " + entry.name);
    case pcan::deviceId:
    case pcan::controllerNumber:
    case pcan::channelFeatures: // classic CAN only
        return putValue(buffer, length, std::uint32_t{0});
    default: return pcan::errorIllParamType;
    }
}

} // namespace

// Every listed interface is reported, the ones that are missing or down as unavailable: the
// program opens the first channel, and only CAN_Initialize can bring a down interface up, or
// say that an interface is missing and what to run, where an empty list would say nothing.
std::vector<pcan::ChannelInformation> attachedChannels()
{
    std::vector<pcan::ChannelInformation> records;
    for (const ChannelEntry& entry : listedChannels())
        records.push_back(recordOf(entry));
    return records;
}

pcan::Status getValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length)
{
    if (channel == pcan::noneBus)
        return getGlobalValue(parameter, buffer, length);
    const std::optional<ChannelEntry> entry = listedChannel(channel);
    return entry ? getChannelValue(*entry, parameter, buffer, length) : pcan::errorIllHw;
}

pcan::Status setValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length)
{
    if (!listedChannel(channel))
        return pcan::errorIllHw;
    if (parameter == pcan::receiveEvent)
        return pcan::errorIllOperation; // on Linux the event is read with CAN_GetValue, never set
    if (parameter != pcan::messageFilter)
        return pcan::errorIllParamType;
    std::uint32_t value = 0;
    if (!buffer || length < sizeof value)
        return pcan::errorIllParamVal;
    std::memcpy(&value, buffer, sizeof value);
    return OpenChannels::instance().with(
        channel, [&](Channel& open) { return open.filter().set(value) ? pcan::ok : pcan::errorIllParamVal; });
}

} // namespace socketcan
