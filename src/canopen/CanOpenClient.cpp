#include "canopen/CanOpenClient.h"

#include "can/AdapterNotifier.h"

#include "can/Bitrates.h"
#include "can/CandumpLine.h"
#include "can/StatusText.h"
#include "canopen/SdoProtocol.h"
#include "common/Log.h"
#include "common/SystemConstants.h"

#include <cstring>

namespace veldris {

namespace {

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

bool CanOpenClient::matches(Match match, const CanFrame& received, const CanFrame& request)
{
    switch (match) {
    case Match::Bootloader: return received.identifier == bootloaderIdentifier;
    case Match::SdoServer: return received.identifier == request.identifier - 0x80; // 0x580 + node
    case Match::Request: break;
    }
    return answersRequest(received, request);
}

bool answersRequest(const CanFrame& answer, const CanFrame& request)
{
    const bool sameObject = std::memcmp(answer.data + 1, request.data + 1, 3) == 0;
    if (isSdoRequest(request.identifier))
        return sameObject && answer.identifier == request.identifier - 0x80; // 0x580 + node
    return sameObject && (answer.identifier & 0x7F) == (request.identifier & 0x7F);
}

CanOpenClient::CanOpenClient(AdapterHooks adapterHooks)
    : hooks(std::move(adapterHooks)), adapter(std::make_unique<PCANDriver>(hooks))
{
}

CanOpenClient::~CanOpenClient()
{
    const std::lock_guard bus(busLock);
    if (adapter)
        adapter->stopReceiveThread();
    adapter.reset();
}

bool CanOpenClient::mayUseBus() const
{
    const std::thread::id owner = holder.load();
    return owner == std::thread::id() || owner == std::this_thread::get_id();
}

// The bus for one operation of the calling thread, waited for until `deadline` while another
// thread's exchange holds it. Refused at once, without waiting for the holder's exchange to
// end, while another holder leases it; a lease taken while this thread waited refuses it too.
std::unique_lock<TimedLock> CanOpenClient::holdBus(Clock::time_point deadline)
{
    if (!mayUseBus())
        return {};
    std::unique_lock bus(busLock, std::defer_lock);
    if (deadline == Clock::time_point::max())
        bus.lock();
    else if (!bus.try_lock_until(deadline))
        return {};
    if (!mayUseBus())
        return {};
    return bus;
}

BusLease CanOpenClient::tryLease()
{
    std::thread::id none;
    if (!holder.compare_exchange_strong(none, std::this_thread::get_id()))
        return {};
    return BusLease(*this);
}

void CanOpenClient::adoptLease()
{
    holder.store(std::this_thread::get_id());
}

void CanOpenClient::releaseLease()
{
    holder.store(std::thread::id());
}

bool CanOpenClient::connectAdapter(std::int32_t channelIndex, std::int32_t bitrateIndex)
{
    std::unique_lock bus = holdBus();
    if (!bus.owns_lock()) {
        logLine("The adapter was not re-opened: another operation holds the bus.");
        return false;
    }
    channel = channelIndex;
    kbit = bitrateKbit(bitrateIndex);
    // The old receive thread is stopped and joined, and the old driver gone, before the new
    // driver loads the library again.
    if (adapter) {
        adapter->stopReceiveThread();
        adapter.reset();
    }
    opened = false;
    lastWriteStatus = pcan::ok;
    adapter = std::make_unique<PCANDriver>(hooks);
    if (channelIndex < 0 || bitrateIndex < 0) {
        logLine("Bitrate not set!");
        return false;
    }
    adapter->setReceiveHook([](pcan::Message, pcan::Timestamp) {});
    const pcan::Status status =
        adapter->initialize(static_cast<std::uint32_t>(channelIndex), bitrateCode(bitrateIndex), 0, 0, 3);
    adapter->startReceiveThread(0);
    opened = status == pcan::ok;
    if (!opened) {
        // A library that says why (an interface at another bit rate, and the command that
        // sets it) is heard; the bus is let go first, as the window shows a modal box.
        const std::string why = adapter->errorText(status);
        bus.unlock();
        if (!why.empty())
            notifyAdapterProblem(hooks.notifier, "Error!", why);
    }
    return opened;
}

Exchange CanOpenClient::exchange(const CanFrame& requestFrame, std::uint32_t timeoutMs)
{
    return exchangeMatching(requestFrame, timeoutMs, Match::Request);
}

Exchange CanOpenClient::bootloaderExchange(const CanFrame& requestFrame, std::uint32_t timeoutMs)
{
    return exchangeMatching(requestFrame, timeoutMs, Match::Bootloader);
}

Exchange CanOpenClient::segmentExchange(const CanFrame& requestFrame, std::uint32_t timeoutMs)
{
    return exchangeMatching(requestFrame, timeoutMs, Match::SdoServer);
}

Exchange CanOpenClient::exchangeMatching(const CanFrame& requestFrame, std::uint32_t timeoutMs, Match match)
{
    Exchange result;
    result.status = run(result.answer, requestFrame, timeoutMs, match, result.adapterStatus);
    if (!result.answered())
        result.answer = CanFrame{}; // nothing of a frame that did not answer stays in the result
    return result;
}

Exchange CanOpenClient::send(const CanFrame& frame)
{
    Exchange result; // NoAnswer: the frame went out and nothing is awaited
    const std::unique_lock bus = holdBus();
    if (!bus.owns_lock()) {
        result.status = ExchangeStatus::Busy;
    } else if (stop.raised()) {
        result.status = ExchangeStatus::Stopped;
    } else {
        result.adapterStatus = adapter->write(static_cast<std::uint32_t>(channel.load()), frame);
        noteWrite(frame, result.adapterStatus);
        if (result.adapterStatus != pcan::ok)
            result.status = ExchangeStatus::WriteRefused;
    }
    return result;
}

bool CanOpenClient::waitForFrames(Clock::time_point deadline)
{
    const Clock::time_point now = Clock::now();
    if (stop.raised() || now >= deadline)
        return !stop.raised();
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - now);
    const std::unique_lock bus = holdBus(deadline);
    if (!bus.owns_lock() || !adapter)
        sleepForFrames(left, stop);
    else if (!adapter->rearmReceiveEvent()) // true: frames wait already
        adapter->waitForFrames(left, stop);
    return !stop.raised();
}

ExchangeStatus CanOpenClient::run(CanFrame& response, const CanFrame& requestFrame, std::uint32_t timeoutMs, Match match,
                                  pcan::Status& adapterStatus)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::unique_lock bus = holdBus(deadline);
    if (!bus.owns_lock())
        return ExchangeStatus::Busy;
    if (stop.raised())
        return ExchangeStatus::Stopped; // nothing is sent once a stop was asked for
    return awaitAnswer(response, requestFrame, deadline, match, adapterStatus);
}

// A refused write is logged once per run of refusals with the same status, so that a scan
// without an adapter does not write 128 lines.
void CanOpenClient::noteWrite(const CanFrame& frame, pcan::Status status)
{
    if (status != pcan::ok && status != lastWriteStatus)
        logLine("CAN_Write refused " + frameNotation(frame) + ": status " + statusText(status));
    lastWriteStatus = status;
}

// Reads until the answer comes or the deadline passes, sleeping on the receive event whenever
// the queue is empty: no frame is lost (each is read and tested), no core spins, and a bus so
// busy that the queue never empties still ends the request at its deadline. Runs with the bus
// held.
ExchangeStatus CanOpenClient::awaitAnswer(CanFrame& response, const CanFrame& requestFrame, Clock::time_point deadline,
                                          Match match, pcan::Status& adapterStatus)
{
    const auto index = static_cast<std::uint32_t>(channel.load());
    adapter->reset(index); // an answer that came before the request must never match it
    adapterStatus = adapter->write(0, requestFrame);
    noteWrite(requestFrame, adapterStatus);
    if (adapterStatus != pcan::ok)
        return ExchangeStatus::WriteRefused;
    for (;;) {
        CanFrame received = response;
        const pcan::Status status = adapter->read(index, received);
        if (status == pcan::ok) {
            response = received;
            const bool answered = matches(match, received, requestFrame);
            if (answered)
                return ExchangeStatus::Answered;
        }
        if (stop.raised())
            return ExchangeStatus::Stopped;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return ExchangeStatus::NoAnswer;
        if (status == pcan::ok || (status == pcan::errorQrcvEmpty && adapter->rearmReceiveEvent()))
            continue;
        const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - now);
        if (status == pcan::errorQrcvEmpty)
            adapter->waitForFrames(left, stop);
        else
            sleepForFrames(left, stop); // the adapter refuses reads: nothing will come, but keep the deadline
    }
}

bool CanOpenClient::readOne(CanFrame& frame)
{
    return adapter->read(static_cast<std::uint32_t>(channel.load()), frame) == pcan::ok;
}

CanFrame& CanOpenClient::readFrame(CanFrame& frame)
{
    std::unique_lock bus = holdBus();
    if (!bus.owns_lock() || !readOne(frame)) {
        frame.identifier = 0;
        frame.length = 0;
        clearAnswer(frame);
    }
    return frame;
}

std::vector<CanFrame> CanOpenClient::readWaitingFrames(std::size_t limit)
{
    std::vector<CanFrame> frames;
    std::unique_lock bus = holdBus();
    if (!bus.owns_lock())
        return frames;
    CanFrame frame;
    while (frames.size() < limit && readOne(frame))
        frames.push_back(frame);
    return frames;
}

// Reads until the queue is empty. (Stopping at the first frame whose data byte 0 is 0, as an
// empty read leaves it, would leave later frames behind: a boot-up or a PDO with a zero first
// byte ended the drain early.)
void CanOpenClient::drainReceiveQueue()
{
    std::unique_lock bus = holdBus();
    if (!bus.owns_lock())
        return;
    CanFrame frame;
    // Bounded, so that a bus busier than the reads cannot hold the caller forever.
    for (int frames = 0; frames < 100000 && readOne(frame); ++frames) {
    }
}

} // namespace veldris
