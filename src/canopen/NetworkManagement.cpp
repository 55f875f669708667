#include "canopen/NetworkManagement.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoProtocol.h"

#include <chrono>

namespace veldris {

namespace {

constexpr std::uint32_t nmtTimeoutMs = 30;
constexpr std::uint32_t scanTimeoutMs = 30;
constexpr auto nmtSettleTime = std::chrono::milliseconds(100);

bool sendNmt(CanOpenClient& client, std::uint8_t command, std::uint8_t node)
{
    CanFrame frame;
    frame.identifier = 0x000;
    frame.length = 2;
    frame.data[0] = command;
    frame.data[1] = node;
    const Exchange sent = client.exchange(frame, nmtTimeoutMs); // nobody answers: a send and a 30 ms wait
    client.pause(nmtSettleTime);
    return sent.status == ExchangeStatus::NoAnswer || sent.status == ExchangeStatus::Answered;
}

} // namespace

bool openBus(CanOpenClient& client, std::int32_t channelIndex, std::int32_t bitrateIndex)
{
    const bool opened = client.connectAdapter(channelIndex, bitrateIndex);
    if (opened)
        nmtEnterPreOperationalAll(client);
    return opened;
}

NodeScan scanNodes(CanOpenClient& client)
{
    NodeScan scan;
    for (int node = 0; node <= 127 && !client.stopRequested(); ++node) {
        // Any answer of the node's SDO server, an abort included, shows a node there.
        const SdoResult probe =
            sdoExchange(client, requests::sdoFrame(static_cast<std::uint8_t>(node), sdo::upload, 0x1010, 0), scanTimeoutMs);
        if (probe.answered())
            scan.nodes.push_back(node);
        if (probe.notAsked()) {
            scan.refused = "node " + std::to_string(node) + " " + probe.failure();
            break;
        }
    }
    return scan;
}

bool nmtStartNode(CanOpenClient& client, std::uint8_t node)
{
    return sendNmt(client, 0x01, node);
}

bool nmtEnterPreOperationalAll(CanOpenClient& client)
{
    return sendNmt(client, 0x80, 0);
}

bool nmtResetCommunicationAll(CanOpenClient& client)
{
    return sendNmt(client, 0x82, 0);
}

} // namespace veldris
