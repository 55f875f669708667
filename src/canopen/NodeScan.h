#pragma once

#include "can/CanFrame.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veldris {

class CanOpenClient;

// The nodes that answered a scan. A probe the adapter refused (bus off, adapter gone), or one
// that could not have the bus, ends the scan: the nodes after it were never asked, so the list
// is incomplete and `refused` says why.
struct NodeScan {
    std::vector<std::int32_t> nodes;     // ascending
    std::vector<std::int32_t> conflicts; // node IDs more than one device answered for: they share it
    std::string refused;

    bool complete() const { return refused.empty(); }
};

// Told each node ID as its first answer comes, on the scanning thread.
using NodeFound = std::function<void(std::int32_t node)>;

// Probes node IDs 0..127 with an SDO read of 0x1010:00 and lists every one that answers at all,
// also with an abort. The 128 probes go out back to back and the answers are collected until
// 30 ms after the last probe can have left the bus; then the silent node IDs are probed once
// more the same way, so that a lost answer does not hide a node. Two answers to one probe of
// the first round are a conflict. A stop ends the scan with the nodes found so far.
NodeScan scanNodes(CanOpenClient& client, const NodeFound& found = {});

// The most bits `frame` can occupy on the bus: the classic frame with worst-case bit stuffing,
// ACK, end of frame and intermission (standard 8 bytes: 135).
std::uint32_t worstCaseFrameBits(const CanFrame& frame);

} // namespace veldris
