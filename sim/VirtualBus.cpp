#include "sim/VirtualBus.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace sim {

namespace {

// Arbitration order: the lower base identifier wins; with equal base identifiers a standard
// frame wins over an extended one.
std::uint64_t arbitrationKey(const Frame& frame)
{
    return frame.extended ? (static_cast<std::uint64_t>(frame.id) << 1 | 1)
                          : static_cast<std::uint64_t>(frame.id & 0x7FF) << 19;
}

} // namespace

VirtualBus::VirtualBus(const BusOptions& busOptions, std::vector<SensorConfig> configs)
    : options(busOptions), eventFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    const Micros start = clock.now();
    for (SensorConfig& config : configs)
        sensors.push_back(std::make_unique<VirtualSensor>(std::move(config), start, options.seed));
    for (const TrafficConfig& traffic : options.traffic)
        foreignNodes.emplace_back(traffic);
    if (options.busOffFor > 0)
        busOffStartAt = options.busOffAt;
    worker = std::thread([this] { run(); });
}

VirtualBus::~VirtualBus()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    worker.join();
    if (eventFd >= 0)
        ::close(eventFd);
}

std::uint32_t VirtualBus::writeRefusal(std::uint32_t identifier) const
{
    const auto& ids = options.txErrorIds;
    if (ids.empty() || std::find(ids.begin(), ids.end(), identifier) != ids.end())
        return options.txError;
    return 0;
}

void VirtualBus::openPort(int kbit)
{
    std::lock_guard lock(mutex);
    open = true;
    portKbit = kbit;
    received.clear();
    overrun = false;
    clearEvent();
}

void VirtualBus::closePort()
{
    std::lock_guard lock(mutex);
    open = false;
    received.clear();
    pending.erase(std::remove_if(pending.begin(), pending.end(), [](const Pending& p) { return p.sender == portSender; }),
                  pending.end());
    clearEvent();
}

bool VirtualBus::portOpen() const
{
    std::lock_guard lock(mutex);
    return open;
}

bool VirtualBus::writeFrame(const Frame& frame)
{
    {
        std::lock_guard lock(mutex);
        const Micros now = clock.now();
        if (busOff(now))
            return false;
        pending.push_back({frame, now, portSender, portKbit, sequence++});
    }
    wake.notify_all();
    return true;
}

bool VirtualBus::portBusOff() const
{
    return busOff(clock.now());
}

bool VirtualBus::busOff(Micros t) const
{
    return options.busOffFor > 0 && t >= options.busOffAt && t - options.busOffAt < options.busOffFor;
}

bool VirtualBus::readFrame(Frame& frame, Micros& stamp)
{
    std::lock_guard lock(mutex);
    if (received.empty())
        return false;
    frame = received.front().first;
    stamp = received.front().second;
    received.pop_front();
    if (received.empty())
        clearEvent();
    return true;
}

void VirtualBus::clearQueue()
{
    std::lock_guard lock(mutex);
    received.clear();
    pending.erase(std::remove_if(pending.begin(), pending.end(), [](const Pending& p) { return p.sender == portSender; }),
                  pending.end());
    clearEvent();
}

std::size_t VirtualBus::framesWaiting() const
{
    std::lock_guard lock(mutex);
    return pending.size();
}

bool VirtualBus::takeOverrun()
{
    std::lock_guard lock(mutex);
    return std::exchange(overrun, false);
}

void VirtualBus::setAcceptance(std::function<bool(const Frame&)> accept)
{
    std::lock_guard lock(mutex);
    acceptance = std::move(accept);
}

void VirtualBus::setTrace(std::function<void(const Frame&, Micros)> traceFrame)
{
    std::lock_guard lock(mutex);
    trace = std::move(traceFrame);
}

void VirtualBus::inspect(const std::function<void(std::vector<std::unique_ptr<VirtualSensor>>&)>& work)
{
    {
        std::lock_guard lock(mutex);
        work(sensors);
    }
    wake.notify_all(); // the work may have changed what is due next
}

void VirtualBus::run()
{
    std::unique_lock lock(mutex);
    while (!stopping) {
        const Micros next = advance(clock.now());
        if (next == never)
            wake.wait(lock);
        else
            wake.wait_until(lock, clock.steadyAt(next));
    }
}

// Carries out, in bus-time order, everything due up to `now`; returns when the next event is due.
Micros VirtualBus::advance(Micros now)
{
    for (;;) {
        const Due sensor = nextSensorDue();
        const Due foreign = nextForeignDue();
        const Micros completeAt = inFlight ? inFlight->end : never;
        const Micros startAt = nextStart();
        const Micros t = std::min({completeAt, busOffStartAt, sensor.at, foreign.at, startAt});
        if (t > now)
            return t;
        if (t == completeAt)
            completeFrame();
        else if (t == busOffStartAt)
            dropPortFrames(t);
        else if (t == sensor.at)
            runSensor(sensor.index, t);
        else if (t == foreign.at)
            sendForeign(foreign.index);
        else
            startFrame(t);
    }
}

VirtualBus::Due VirtualBus::nextSensorDue() const
{
    Due next;
    for (std::size_t i = 0; i < sensors.size(); ++i)
        if (const Micros due = sensors[i]->nextDue(); due < next.at)
            next = {due, i};
    return next;
}

VirtualBus::Due VirtualBus::nextForeignDue() const
{
    Due next;
    for (std::size_t i = 0; i < foreignNodes.size(); ++i)
        if (const Micros due = foreignNodes[i].nextDue(); due < next.at)
            next = {due, i};
    return next;
}

// When the next frame can start: once the bus is free and a frame is ready.
Micros VirtualBus::nextStart() const
{
    if (inFlight || pending.empty())
        return never;
    const auto earliest = std::min_element(pending.begin(), pending.end(),
                                           [](const Pending& a, const Pending& b) { return a.readyAt < b.readyAt; });
    return std::max(busFreeAt, earliest->readyAt);
}

// Going bus-off, the adapter's controller ends its transmission and its queue is dropped.
void VirtualBus::dropPortFrames(Micros at)
{
    busOffStartAt = never;
    if (inFlight && inFlight->tx.sender == portSender) {
        inFlight.reset();
        busFreeAt = at;
    }
    pending.erase(std::remove_if(pending.begin(), pending.end(), [](const Pending& p) { return p.sender == portSender; }),
                  pending.end());
}

void VirtualBus::runSensor(std::size_t index, Micros at)
{
    std::vector<Transmission> out;
    sensors[index]->runDue(at, out);
    queue(out, static_cast<int>(index));
}

// The foreign node's one transmit buffer: a frame still waiting for the bus is replaced by the
// one now due, so that an overloaded bus never piles up the node's frames.
void VirtualBus::sendForeign(std::size_t index)
{
    const Transmission tx = foreignNodes[index].take();
    const int sender = foreignSender(index);
    const Pending due{tx.frame, tx.at, sender, open ? portKbit : idleBusKbit, sequence++};
    const auto waiting =
        std::find_if(pending.begin(), pending.end(), [sender](const Pending& p) { return p.sender == sender; });
    if (waiting != pending.end())
        *waiting = due;
    else
        pending.push_back(due);
}

void VirtualBus::queue(std::vector<Transmission>& out, int sender)
{
    const int kbit = sensors[static_cast<std::size_t>(sender)]->bitrateKbit();
    for (const Transmission& tx : out)
        pending.push_back({tx.frame, tx.at, sender, kbit, sequence++});
}

void VirtualBus::startFrame(Micros at)
{
    auto winner = pending.end();
    for (auto candidate = pending.begin(); candidate != pending.end(); ++candidate) {
        if (candidate->readyAt > at)
            continue;
        if (winner == pending.end() || arbitrationKey(candidate->frame) < arbitrationKey(winner->frame)
            || (arbitrationKey(candidate->frame) == arbitrationKey(winner->frame) && candidate->sequence < winner->sequence))
            winner = candidate;
    }
    const Micros duration = options.timing ? frameDuration(winner->frame, winner->kbit) : 0;
    inFlight = InFlight{*winner, at + duration};
    pending.erase(winner);
}

void VirtualBus::completeFrame()
{
    const InFlight done = *inFlight;
    inFlight.reset();
    busFreeAt = done.end;
    if (trace)
        trace(done.tx.frame, done.tx.readyAt);
    std::vector<Transmission> out;
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        if (static_cast<int>(i) == done.tx.sender || sensors[i]->bitrateKbit() != done.tx.kbit)
            continue;
        out.clear();
        sensors[i]->receive(done.tx.frame, done.end, out);
        queue(out, static_cast<int>(i));
    }
    if (done.tx.sender != portSender && open && portKbit == done.tx.kbit && !busOff(done.end))
        deliverToPort(done.tx.frame, done.tx.readyAt);
}

void VirtualBus::deliverToPort(const Frame& frame, Micros stamp)
{
    if (acceptance && !acceptance(frame))
        return;
    if (received.size() >= receiveQueueLimit) {
        overrun = true; // like the adapter: newer frames are lost while the queue is full
        return;
    }
    received.emplace_back(frame, stamp);
    if (received.size() == 1)
        signalEvent();
}

void VirtualBus::signalEvent()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(eventFd, &one, sizeof one);
}

void VirtualBus::clearEvent()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(eventFd, &count, sizeof count);
}

} // namespace sim
