#include "canopen/CanOpenClient.h"

#include "common/Log.h"
#include "common/SystemConstants.h"
#include "common/TextConversion.h"

#include <chrono>
#include <cstring>

namespace veldris {

namespace {

using Clock = std::chrono::steady_clock;

void clearAnswer(CanFrame& response)
{
    std::memset(response.data, 0, sizeof response.data);
    response.milliseconds = 0;
    response.microseconds = 0;
}

bool isSdoRequest(std::uint32_t identifier)
{
    return identifier >= 0x600 && identifier <= 0x67F;
}

} // namespace

std::uint16_t bitrateCode(int bitrateIndex)
{
    constexpr std::uint16_t codes[] = {pcan::baud1M, pcan::baud500K, pcan::baud250K,
                                       pcan::baud125K, pcan::baud50K, pcan::baud20K};
    return bitrateIndex >= 0 && bitrateIndex < 6 ? codes[bitrateIndex] : 0;
}

bool answersRequest(const CanFrame& answer, const CanFrame& request)
{
    const bool sameObject = std::memcmp(answer.data + 1, request.data + 1, 3) == 0;
    if (isSdoRequest(request.identifier))
        return sameObject && answer.identifier == request.identifier - 0x80; // 0x580 + node
    return sameObject && (answer.identifier & 0x7F) == (request.identifier & 0x7F);
}

CanOpenClient& canOpenClient()
{
    static CanOpenClient client;
    return client;
}

CanOpenClient::CanOpenClient()
    : adapter(std::make_unique<PCANDriver>())
{
}

CanOpenClient::~CanOpenClient()
{
    if (adapter)
        adapter->stopReceiveThread();
    adapter.reset();
}

bool CanOpenClient::connectAdapter()
{
    // The old receive thread is stopped and joined, and the old driver gone, before the new
    // driver loads the library again.
    if (adapter) {
        adapter->stopReceiveThread();
        adapter.reset();
    }
    opened = false;
    adapter = std::make_unique<PCANDriver>();
    if (channelIndex < 0 || bitrateIndex < 0) {
        logLine("Bitrate not set!");
        return false;
    }
    adapter->setReceiveHook([](pcan::Message, pcan::Timestamp) {});
    const auto channel = static_cast<std::uint32_t>(channelIndex);
    const pcan::Status status = adapter->initialize(channel, bitrateCode(bitrateIndex), 0, 0, 3);
    adapter->startReceiveThread(0);
    opened = status == pcan::ok;
    return opened;
}

CanFrame& CanOpenClient::request(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs)
{
    clearAnswer(response);
    if (!awaitAnswer(response, requestFrame, timeoutMs, Match::Request))
        clearAnswer(response);
    return response;
}

CanFrame& CanOpenClient::requestBootloader(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs)
{
    if (!awaitAnswer(response, requestFrame, timeoutMs, Match::Bootloader))
        clearAnswer(response);
    return response;
}

// Reads until the answer comes or the deadline passes, sleeping on the receive event whenever
// the queue is empty: no frame is lost (each is read and tested) and no core spins.
bool CanOpenClient::awaitAnswer(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs, Match match)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!adapter)
        return false;
    const auto channel = static_cast<std::uint32_t>(channelIndex);
    adapter->reset(channel); // an answer that came before the request must never match it
    adapter->write(0, requestFrame);
    for (;;) {
        CanFrame received = response;
        const pcan::Status status = adapter->read(channel, received);
        if (status == pcan::ok) {
            response = received;
            const bool answered = match == Match::Bootloader ? received.identifier == bootloaderIdentifier
                                                             : answersRequest(received, requestFrame);
            if (answered)
                return true;
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return false;
        if (status == pcan::errorQrcvEmpty) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
            adapter->waitForFrames(static_cast<int>(left));
        } else {
            sleepForFrames(1); // the adapter refuses reads: nothing will come, but keep the deadline
        }
    }
}

CanFrame& CanOpenClient::readFrame(CanFrame& frame)
{
    if (!adapter || adapter->read(static_cast<std::uint32_t>(channelIndex), frame) != pcan::ok) {
        frame.identifier = 0;
        frame.length = 0;
        clearAnswer(frame);
    }
    return frame;
}

// Reads until the queue is empty. (Stopping at the first frame whose data byte 0 is 0, as an
// empty read leaves it, would leave later frames behind: a boot-up or a PDO with a zero first
// byte ended the drain early.)
void CanOpenClient::drainReceiveQueue()
{
    if (!adapter)
        return;
    CanFrame frame;
    const auto channel = static_cast<std::uint32_t>(channelIndex);
    // Bounded, so that a bus busier than the reads cannot hold the caller forever.
    for (int frames = 0; frames < 100000 && adapter->read(channel, frame) == pcan::ok; ++frames) {
    }
}

void CanOpenClient::readVendorPages(std::vector<std::uint8_t>& words, const std::string& nodeText, int firstPage,
                                    int endPage)
{
    const int node = decimalToInt(nodeText);
    words.clear();
    for (int page = firstPage; page < endPage; ++page) {
        for (int offset = 0; offset < 256; offset += 4) {
            CanFrame request;
            request.identifier = 0x600u + static_cast<std::uint32_t>(node);
            request.length = 8;
            const std::uint8_t data[8] = {0x40, static_cast<std::uint8_t>(page), 0x28, static_cast<std::uint8_t>(offset)};
            std::memcpy(request.data, data, sizeof data);
            CanFrame answer;
            this->request(answer, request, 100);
            if (answer.data[0] == 0x43)
                words.insert(words.end(), answer.data + 4, answer.data + 8);
        }
    }
}

} // namespace veldris
