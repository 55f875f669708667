#include "canopen/NodeScan.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoProtocol.h"
#include "canopen/SdoResult.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace veldris {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto answerTime = std::chrono::milliseconds(30); // a node's SDO server answers within this
constexpr std::uint32_t longestFrameBits = 160;            // an extended frame of 8 bytes, stuffed
constexpr int probeWriteAttempts = 50;                     // 1 ms apart while the transmit queue is full

CanFrame probeFrame(int node)
{
    return requests::sdoFrame(static_cast<std::uint8_t>(node), sdo::upload, 0x1010, 0);
}

// What the scan has seen: the answers per node and, in the current round, every bit the bus
// has carried since its first probe, which tells when its last probe can have left the bus.
class ProbeRound {
public:
    static constexpr int nodeCount = 128;

    ProbeRound(CanOpenClient& client, const NodeFound& found) : client(client), found(found) {}

    // Probes `nodes` back to back and collects the answers until the bus is quiet; the reason
    // when the adapter refused a probe (the later nodes were not asked), else empty.
    std::string probe(const std::vector<std::int32_t>& nodes)
    {
        start = Clock::now();
        bits = 0;
        std::string refused;
        for (int node : nodes) {
            const Exchange sent = send(node);
            if (sent.status == ExchangeStatus::Stopped)
                break;
            if (sent.status != ExchangeStatus::NoAnswer) {
                refused = "node " + std::to_string(node) + " " + SdoResult::of(probeFrame(node), sent).failure();
                break;
            }
            collectWaiting();
        }
        if (!client.stopRequested())
            collectUntilQuiet();
        return refused;
    }

    std::vector<std::int32_t> foundNodes() const
    {
        return nodesWith([](int count) { return count > 0; });
    }
    std::vector<std::int32_t> silentNodes() const
    {
        return nodesWith([](int count) { return count == 0; });
    }
    // Node IDs with more than one answer so far: in the first round, two devices answering
    // one probe.
    std::vector<std::int32_t> sharedNodes() const
    {
        return nodesWith([](int count) { return count > 1; });
    }

private:
    template <class Test>
    std::vector<std::int32_t> nodesWith(Test answerCount) const
    {
        std::vector<std::int32_t> nodes;
        for (int node = 0; node < nodeCount; ++node)
            if (answerCount(answers[node]))
                nodes.push_back(node);
        return nodes;
    }

    // Sends one probe, retrying while the adapter's transmit queue is full. NoAnswer once sent.
    Exchange send(int node)
    {
        const CanFrame frame = probeFrame(node);
        Exchange sent = client.send(frame);
        for (int attempt = 1; attempt < probeWriteAttempts && sent.status == ExchangeStatus::WriteRefused
                              && (sent.adapterStatus & pcan::errorQXmtFull) != 0;
             ++attempt) {
            client.pause(std::chrono::milliseconds(1));
            sent = client.send(frame);
        }
        if (sent.status == ExchangeStatus::NoAnswer)
            bits += worstCaseFrameBits(frame);
        return sent;
    }

    void collectWaiting()
    {
        for (const CanFrame& frame : client.readWaitingFrames())
            take(frame);
    }

    // Collects answers until the last probe has been on the bus for the answer time; the end
    // moves out with every frame that took the bus meanwhile.
    void collectUntilQuiet()
    {
        for (;;) {
            if (!client.waitForFrames(quietAt()))
                return;
            const std::vector<CanFrame> frames = client.readWaitingFrames();
            for (const CanFrame& frame : frames)
                take(frame);
            if (frames.empty() && Clock::now() >= quietAt())
                return;
        }
    }

    Clock::time_point quietAt() const
    {
        const std::uint32_t kbit = std::max<std::uint32_t>(client.openedKbit(), 5);
        const auto busTime = std::chrono::microseconds((bits + longestFrameBits) * 1000ull / kbit);
        return start + busTime + answerTime;
    }

    void take(const CanFrame& frame)
    {
        if ((frame.messageType & pcan::messageStatus) != 0)
            return;
        bits += worstCaseFrameBits(frame);
        // Any answer of a node's SDO server to its probe, an abort included, shows a node there.
        const int node = static_cast<int>(frame.identifier) - 0x580;
        if ((frame.messageType & pcan::messageExtended) != 0 || node < 0 || node >= nodeCount
            || !answersRequest(frame, probeFrame(node)))
            return;
        if (++answers[node] == 1 && found)
            found(node);
    }

    CanOpenClient& client;
    const NodeFound& found;
    Clock::time_point start;
    std::uint64_t bits = 0;
    std::array<int, nodeCount> answers{};
};

} // namespace

std::uint32_t worstCaseFrameBits(const CanFrame& frame)
{
    const std::uint32_t dataBits =
        (frame.messageType & pcan::messageRtr) != 0 ? 0 : 8u * std::min<std::uint8_t>(frame.length, 8);
    // The stuffed part runs from start of frame to the CRC; one stuff bit per four after the first.
    if ((frame.messageType & pcan::messageExtended) != 0)
        return 67 + dataBits + (54 + dataBits - 1) / 4;
    return 47 + dataBits + (34 + dataBits - 1) / 4;
}

NodeScan scanNodes(CanOpenClient& client, const NodeFound& found)
{
    client.drainReceiveQueue(); // answers from before the scan are nobody's probe answers
    ProbeRound round(client, found);
    NodeScan scan;
    scan.refused = round.probe(round.silentNodes()); // before the first round: every node ID
    scan.conflicts = round.sharedNodes();
    // On a machine's bus a frame gets lost now and then: the node IDs that stayed silent are
    // asked once more, so that one lost answer does not hide a node.
    if (scan.complete() && !client.stopRequested())
        scan.refused = round.probe(round.silentNodes());
    scan.nodes = round.foundNodes();
    return scan;
}

} // namespace veldris
