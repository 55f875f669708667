#pragma once

#include "canopen/NodeScan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;

// Opening the bus and the NMT commands the program sends (CiA 301 NMT on
// identifier 0x000).

// Stores the channel index in the client, re-opens the adapter at the bit rate and, when it
// opened, switches all nodes to pre-operational. Whether the adapter opened (as
// CanOpenClient::adapterOpen() tells later); a scan on a bus that did not open finds nothing.
bool openBus(CanOpenClient& client, std::int32_t channelIndex, std::int32_t bitrateIndex);

// Each sends its frame (30 ms for the queue and the frame), then waits 100 ms (less when
// stopped). No node confirms an NMT command: whether it took effect shows in what the node
// does next. What they tell is whether the frame went out at all (false: the adapter refused
// it, as when bus-off, another operation held the bus, or a stop came first).
bool nmtStartNode(CanOpenClient& client, std::uint8_t node);
bool nmtEnterPreOperationalAll(CanOpenClient& client);
bool nmtResetCommunicationAll(CanOpenClient& client);

} // namespace veldris
