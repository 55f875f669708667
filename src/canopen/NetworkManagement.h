#pragma once

#include <cstdint>
#include <vector>

namespace veldris {

class CanOpenClient;

// Opening the bus, the node scan and the NMT commands the program sends (CiA 301 NMT on
// identifier 0x000).

// Stores the channel index in the client, re-opens the adapter at the bit rate and, when it
// opened, switches all nodes to pre-operational. Whether the adapter opened (as
// CanOpenClient::adapterOpen() tells later); a scan on a bus that did not open finds nothing.
bool openBus(CanOpenClient& client, std::int32_t channelIndex, std::int32_t bitrateIndex);

// Probes node IDs 0..127 with an SDO read of 0x1010:00 (30 ms each) and appends every one that
// answers at all, also with an abort. True when at least one answered. A stop ends the scan
// with the nodes found so far.
bool scanNodes(CanOpenClient& client, std::vector<std::int32_t>& nodes);
std::vector<std::int32_t> listNodes(CanOpenClient& client);

// Each sends its frame (30 ms for the queue and the frame), then waits 100 ms (less when
// stopped). No node confirms an NMT command: whether it took effect shows in what the node
// does next.
void nmtStartNode(CanOpenClient& client, std::uint8_t node);
void nmtEnterPreOperationalAll(CanOpenClient& client);
void nmtResetCommunicationAll(CanOpenClient& client);

} // namespace veldris
