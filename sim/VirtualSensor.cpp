// The simulated sensor's life on the bus: boot, NMT states and the cyclic frames (heartbeat,
// TPDO 1, SRDO 1), which are stamped with their scheduled instants.

#include "sim/VirtualSensor.h"

#include "common/SystemConstants.h"

#include <algorithm>

namespace sim {

namespace {

constexpr Micros resetCommunicationTime = millis(20); // from the NMT command to the boot-up frame
constexpr Micros resetNodeTime = millis(100);

// The first multiple of `period` after `now`: cyclic frames fall on exact multiples of their
// period in bus time.
Micros nextMultiple(Micros now, std::uint32_t periodMs)
{
    const Micros period = millis(periodMs);
    return (now / period + 1) * period;
}

// CiA 301 COB-ID bits: 31 the PDO or SRDO is not valid, 30 no RTR allowed, 29 extended frame.
constexpr std::uint32_t cobIdInvalid = 0x80000000u;
constexpr std::uint32_t cobIdExtended = 0x20000000u;

bool cobIdValid(std::uint32_t cobId)
{
    return !(cobId & cobIdInvalid);
}

// An empty frame on the identifier a COB-ID names: 29 bits with bit 29 set, else 11.
Frame frameOn(std::uint32_t cobId)
{
    Frame frame;
    frame.extended = cobId & cobIdExtended;
    frame.id = cobId & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
    return frame;
}

} // namespace

VirtualSensor::VirtualSensor(SensorConfig config, Micros now, std::uint32_t seed)
    : setup(std::move(config)), mappedMemory(256 * 256, 0xFF), random(seed ^ setup.nodeId), node(setup.nodeId),
      bitrate(setup.bitrateKbit)
{
    defineObjects();
    fillMemory();
    if (setup.faults.leaveBusAfterS >= 0)
        leaveBusAt = now + millis(1000LL * setup.faults.leaveBusAfterS);
    if (setup.startInBootloader)
        mode = Mode::Bootloader;
    restartSchedules(now);
}

int VirtualSensor::bitrateKbit() const
{
    return mode == Mode::Bootloader ? veldris::bootloaderBitrateKbit : bitrate;
}

bool VirtualSensor::onBus(Micros now) const
{
    return !setup.faults.silent && now < leaveBusAt && !(now >= powerOffFrom && now < powerOffUntil);
}

void VirtualSensor::receive(const Frame& frame, Micros now, std::vector<Transmission>& out)
{
    if (!onBus(now) || frame.extended || frame.remote)
        return;
    if (mode == Mode::Bootloader) {
        if (frame.id == veldris::bootloaderIdentifier)
            handleBootloader(frame, now, out);
    } else if (mode == Mode::Application) {
        if (frame.id == 0 && frame.length >= 2 && (frame.data[1] == 0 || frame.data[1] == node))
            handleNmt(frame, now);
        else if (frame.id == 0x600u + node && frame.length == 8 && state != NmtState::Stopped)
            handleSdo(frame, now, out); // a stopped node serves no SDO
    }
}

Micros VirtualSensor::nextDue() const
{
    if (setup.faults.silent)
        return never;
    const Micros due = std::min({bootDoneAt, heartbeatAt, tpdoAt, srdoAt});
    return due < leaveBusAt ? due : never;
}

void VirtualSensor::runDue(Micros now, std::vector<Transmission>& out)
{
    if (now >= leaveBusAt)
        return;
    if (bootDoneAt <= now)
        finishBoot(now, out);
    runCyclic(now, out);
}

void VirtualSensor::emit(std::vector<Transmission>& out, const Frame& frame, Micros at)
{
    if (setup.faults.lossPercent > 0 && std::uniform_real_distribution<double>(0, 100)(random) < setup.faults.lossPercent)
        return;
    out.push_back({frame, at});
}

// A sensor whose connector or supply fails in the middle of an exchange: after its last answer
// it sends nothing more, cyclic frames included.
void VirtualSensor::sendAnswer(std::vector<Transmission>& out, const Frame& frame, Micros now)
{
    const int limit = setup.faults.silentAfterFrames;
    if (limit > 0 && answersSent >= limit)
        return;
    if (limit > 0 && ++answersSent == limit)
        leaveBusAt = std::min(leaveBusAt, now + millis(setup.faults.answerDelayMs) + 1);
    emit(out, frame, now + millis(setup.faults.answerDelayMs));
}

// Schedules follow the state: heartbeats whenever the application runs, TPDO 1 and SRDO 1
// only while operational.
void VirtualSensor::restartSchedules(Micros now)
{
    const bool running = mode == Mode::Application;
    heartbeatAt = running && heartbeatPeriod() > 0 ? nextMultiple(now, heartbeatPeriod()) : never;
    tpdoAt = running && tpdoActive() ? nextMultiple(now, tpdoPeriod()) : never;
    srdoAt = running && srdoActive() ? nextMultiple(now, srdoPeriod()) : never;
}

std::uint32_t VirtualSensor::heartbeatPeriod() const
{
    const std::uint32_t configured = dictionary.value(0x1017, 0);
    return configured > 0 && setup.faults.heartbeatPeriodMs > 0 ? static_cast<std::uint32_t>(setup.faults.heartbeatPeriodMs)
                                                                : configured;
}

std::uint32_t VirtualSensor::tpdoPeriod() const
{
    return setup.faults.tpdoPeriodMs > 0 ? static_cast<std::uint32_t>(setup.faults.tpdoPeriodMs) : dictionary.value(0x1800, 5);
}

std::uint32_t VirtualSensor::srdoPeriod() const
{
    return setup.faults.srdoPeriodMs > 0 ? static_cast<std::uint32_t>(setup.faults.srdoPeriodMs) : dictionary.value(0x1301, 2);
}

// The schedule itself keeps its exact multiples: a late or early frame does not move the next.
Micros VirtualSensor::jitter()
{
    const int limit = setup.faults.jitterMs;
    return limit > 0 ? std::uniform_int_distribution<Micros>(-millis(limit), millis(limit))(random) : 0;
}

void VirtualSensor::runCyclic(Micros now, std::vector<Transmission>& out)
{
    // A late call still produces every frame that was due, each at its own instant.
    while (heartbeatAt <= now) {
        emit(out, heartbeatFrame(static_cast<std::uint8_t>(state)), heartbeatAt + jitter());
        heartbeatAt += millis(heartbeatPeriod());
    }
    while (tpdoAt <= now) {
        Frame pdo = frameOn(dictionary.value(0x1800, 1));
        mappedData(dictionary.value(0x1A00, 1), pdo);
        emit(out, pdo, tpdoAt + jitter());
        tpdoAt += millis(tpdoPeriod());
    }
    while (srdoAt <= now) {
        Frame normal = frameOn(dictionary.value(0x1301, 5));
        mappedData(dictionary.value(0x1381, 1), normal);
        const Frame second = frameOn(dictionary.value(0x1301, 6));
        Frame inverted = normal;
        inverted.id = second.id;
        inverted.extended = second.extended;
        for (std::uint8_t& byte : inverted.data)
            byte = static_cast<std::uint8_t>(~byte);
        const Micros at = srdoAt + jitter();
        emit(out, normal, at);
        emit(out, inverted, at);
        srdoAt += millis(srdoPeriod());
    }
}

Frame VirtualSensor::heartbeatFrame(std::uint8_t stateByte) const
{
    Frame frame;
    frame.id = 0x700u + node;
    frame.length = 1;
    frame.data[0] = stateByte;
    return frame;
}

// Event-driven TPDO 1 (transmission type 254 or 255) with a running event timer.
bool VirtualSensor::tpdoActive() const
{
    const std::uint32_t type = dictionary.value(0x1800, 2);
    return state == NmtState::Operational && cobIdValid(dictionary.value(0x1800, 1)) && type >= 254 && tpdoPeriod() > 0;
}

// SRDO 1 goes out only while both its COB-IDs are valid.
bool VirtualSensor::srdoActive() const
{
    return setup.srdo.enabled && state == NmtState::Operational && dictionary.value(0x1301, 1) == 1 && srdoPeriod() > 0
        && cobIdValid(dictionary.value(0x1301, 5)) && cobIdValid(dictionary.value(0x1301, 6));
}

// The bytes of the object a mapping entry (index << 16 | sub-index << 8 | length in bits) names.
void VirtualSensor::mappedData(std::uint32_t mapping, Frame& frame) const
{
    const auto index = static_cast<std::uint16_t>(mapping >> 16);
    const auto sub = static_cast<std::uint8_t>(mapping >> 8);
    const std::uint32_t bytes = std::min<std::uint32_t>((mapping & 0xFF) / 8, 4);
    const std::uint32_t value = dictionary.value(index, sub);
    frame.length = static_cast<std::uint8_t>(bytes);
    for (std::uint32_t i = 0; i < bytes; ++i)
        frame.data[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void VirtualSensor::handleNmt(const Frame& frame, Micros now)
{
    switch (frame.data[0]) {
    case 0x01:
        // A safety sensor whose SRDO configuration is not valid refuses to start.
        if (!setup.srdo.enabled || srdoConfigurationValid())
            state = NmtState::Operational;
        break;
    case 0x02: state = NmtState::Stopped; break;
    case 0x80: state = NmtState::PreOperational; break;
    case 0x81: startBoot(now, resetNodeTime, true); return;
    case 0x82: startBoot(now, resetCommunicationTime, false); return;
    default: return;
    }
    restartSchedules(now);
}

// Reset: the stored values come back, and the node ID and bit rate stored in 0x2000/0x2001
// take effect when the sensor is up again.
void VirtualSensor::startBoot(Micros now, Micros duration, bool resetAll)
{
    if (resetAll)
        dictionary.restoreAll();
    else
        dictionary.restoreCommunication();
    mode = Mode::Booting;
    transfer = {};
    bootDoneAt = now + duration;
    heartbeatAt = tpdoAt = srdoAt = never;
}

void VirtualSensor::finishBoot(Micros now, std::vector<Transmission>& out)
{
    const Micros bootedAt = bootDoneAt;
    bootDoneAt = never;
    mode = Mode::Application;
    state = NmtState::PreOperational;
    accessGranted = false;
    unlocked = false;
    node = static_cast<std::uint8_t>(dictionary.value(0x2000, 0, node));
    bitrate = static_cast<int>(dictionary.value(0x2001, 0, static_cast<std::uint32_t>(bitrate)));
    emit(out, heartbeatFrame(0x00), bootedAt); // boot-up
    restartSchedules(now);
}

} // namespace sim
