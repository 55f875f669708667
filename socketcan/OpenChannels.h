#pragma once

#include "can/PcanBasicTypes.h"
#include "socketcan/Channel.h"
#include "socketcan/LinkControl.h"

#include <map>
#include <memory>
#include <mutex>

namespace socketcan {

// The channels this process initialised, by handle; one lock serialises every call on them
// (none of them waits: the sockets are read and written without blocking).
class OpenChannels {
public:
    static OpenChannels& instance();

    // Opens the listed channel `handle` at the bit rate of `btr0btr1` (see InterfaceSetup).
    pcan::Status open(pcan::Handle handle, std::uint16_t btr0btr1, LinkControl& links);
    // Closes one channel, or all of them for PCAN_NONEBUS.
    pcan::Status close(pcan::Handle handle);

    // Runs `call` on the open channel `handle` under the lock; PCAN_ERROR_ILLHW for a handle
    // that is not listed, PCAN_ERROR_INITIALIZE for one that is not open.
    template <class Call>
    pcan::Status with(pcan::Handle handle, Call&& call)
    {
        std::lock_guard lock(mutex);
        pcan::Status refusal = pcan::ok;
        Channel* channel = find(handle, refusal);
        return channel ? call(*channel) : refusal;
    }

    bool isOpen(pcan::Handle handle);

private:
    Channel* find(pcan::Handle handle, pcan::Status& refusal); // with the lock held

    std::mutex mutex;
    std::map<pcan::Handle, std::unique_ptr<Channel>> channels;
};

} // namespace socketcan
