#include "socketcan/OpenChannels.h"

#include "socketcan/BtrBitrate.h"
#include "socketcan/CanRawSocket.h"
#include "socketcan/ChannelList.h"
#include "socketcan/ErrorText.h"
#include "socketcan/InterfaceSetup.h"

#include <cstdio>

namespace socketcan {

namespace {

pcan::Status notListed(pcan::Handle handle)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%X", handle);
    return ErrorText::refuse(pcan::errorIllHw, "Channel " + std::string(hex)
                                                   + " is not listed in VELDRIS_SOCKETCAN (the first listed channel is 0x51).");
}

// The socket of a listed channel, once its interface runs at `bitrate`.
std::unique_ptr<FrameSocket> openSocket(const ChannelEntry& entry, std::uint32_t bitrate, LinkControl& links,
                                        pcan::Status& status, pcan::Status& busState)
{
    std::string message;
    busState = pcan::ok;
    if (entry.descriptor >= 0) {
        auto socket = adoptDescriptor(entry.descriptor, message);
        status = socket ? pcan::ok : ErrorText::refuse(pcan::errorIllHw, message);
        return socket;
    }
    status = prepareInterface(links, entry.name, bitrate, message, busState);
    if (status != pcan::ok) {
        ErrorText::refuse(status, message);
        return nullptr;
    }
    auto socket = openCanRaw(entry.name, message);
    status = socket ? pcan::ok : ErrorText::refuse(pcan::errorResource, message);
    return socket;
}

} // namespace

OpenChannels& OpenChannels::instance()
{
    static OpenChannels open;
    return open;
}

pcan::Status OpenChannels::open(pcan::Handle handle, std::uint16_t btr0btr1, LinkControl& links)
{
    const std::optional<ChannelEntry> entry = listedChannel(handle);
    if (!entry)
        return notListed(handle);
    std::lock_guard lock(mutex);
    if (channels.count(handle))
        return ErrorText::refuse(pcan::errorInitialize, entry->name + " is already initialized.");
    pcan::Status status = pcan::ok;
    pcan::Status busState = pcan::ok;
    auto socket = openSocket(*entry, bitrateOfBtr0Btr1(btr0btr1), links, status, busState);
    if (!socket)
        return status;
    channels[handle] = std::make_unique<Channel>(entry->name, std::move(socket), busState);
    return pcan::ok;
}

pcan::Status OpenChannels::close(pcan::Handle handle)
{
    std::lock_guard lock(mutex);
    if (handle == pcan::noneBus) {
        channels.clear();
        return pcan::ok;
    }
    if (channels.erase(handle) == 1)
        return pcan::ok;
    return listedChannel(handle) ? pcan::errorInitialize : pcan::errorIllHw;
}

Channel* OpenChannels::find(pcan::Handle handle, pcan::Status& refusal)
{
    const auto open = channels.find(handle);
    if (open != channels.end())
        return open->second.get();
    refusal = listedChannel(handle) ? pcan::errorInitialize : pcan::errorIllHw;
    return nullptr;
}

bool OpenChannels::isOpen(pcan::Handle handle)
{
    std::lock_guard lock(mutex);
    return channels.count(handle) == 1;
}

} // namespace socketcan
