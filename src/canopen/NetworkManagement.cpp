#include "canopen/NetworkManagement.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoProtocol.h"

#include <chrono>

namespace veldris {

namespace {

constexpr std::uint32_t nmtTimeoutMs = 30;
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
