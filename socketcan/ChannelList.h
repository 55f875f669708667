#pragma once

#include "can/PcanBasicTypes.h"
#include "socketcan/LinkControl.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace socketcan {

// One channel of the list in VELDRIS_SOCKETCAN: an interface name ("can0"), or "fd:N", an
// already open descriptor that carries can_frame records (one end of a socket pair, for tests).
struct ChannelEntry {
    pcan::Handle handle = pcan::noneBus;
    std::string name;    // as listed
    int descriptor = -1; // of an "fd:N" entry
};

inline constexpr const char* channelsVariable = "VELDRIS_SOCKETCAN";

// The handle of the channel at `position` in the list: PCAN_USBBUS1..8 (0x51..0x58), then
// PCAN_USBBUS9..16 (0x509..0x510); noneBus beyond 16.
pcan::Handle handleAt(std::size_t position);

// The channels listed in `text` (comma separated, blanks ignored), by position; "can0" for an
// empty or missing list. Entries past the sixteenth are dropped.
std::vector<ChannelEntry> parseChannels(const char* text);

// The list in the environment now.
std::vector<ChannelEntry> listedChannels();

// The listed channel with `handle`, if any.
std::optional<ChannelEntry> listedChannel(pcan::Handle handle);

// Whether the channel can be opened: an interface that exists and is up, or an open descriptor.
bool attached(const ChannelEntry& entry, const LinkControl& links);

} // namespace socketcan
