#pragma once

#include "sim/ObjectDictionary.h"
#include "sim/SdoTransfer.h"
#include "sim/SensorConfig.h"
#include "sim/SimFrame.h"

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace sim {

enum class NmtState : std::uint8_t { PreOperational = 0x7F, Operational = 0x05, Stopped = 0x04 };

// What a sensor keeps between runs of a persistent simulated bus.
struct SensorState {
    std::map<ObjectDictionary::Key, std::pair<std::uint32_t, std::uint32_t>> objects; // active, stored
    std::map<ObjectDictionary::Key, std::pair<std::string, std::string>> strings;     // active, stored
    std::uint8_t nodeId = 0;
    int bitrateKbit = 0;
    bool inBootloader = false;
    bool powerCut = false;                                     // the fault's power cut has happened
    std::map<std::uint32_t, std::vector<std::uint8_t>> memory; // SDO-mapped memory, non-erased runs
    std::map<std::uint32_t, std::vector<std::uint8_t>> flash;  // application flash, non-erased runs
};

// One simulated sensor on the bus: CANopen application (NMT, heartbeat, TPDO 1, SRDO 1, SDO
// server with expedited and segmented transfers, vendor objects) and the bootloader that
// replaces it during a firmware update. It only turns frames and time into frames: the bus
// calls receive() for every frame it hears and runDue() at the times nextDue() names.
class VirtualSensor {
public:
    VirtualSensor(SensorConfig config, Micros now, std::uint32_t seed = 1);

    const SensorConfig& config() const { return setup; }
    std::uint8_t nodeId() const { return node; }
    int bitrateKbit() const;      // the rate its controller runs at now
    bool onBus(Micros now) const; // false once it left the bus, while it is silent or without power
    bool inBootloader() const { return mode == Mode::Bootloader; }
    NmtState nmtState() const { return state; }

    void receive(const Frame& frame, Micros now, std::vector<Transmission>& out);
    Micros nextDue() const;
    void runDue(Micros now, std::vector<Transmission>& out);

    ObjectDictionary& objects() { return dictionary; }
    const std::vector<std::uint8_t>& memory() const { return mappedMemory; }
    std::vector<std::uint8_t> flashBytes(std::uint32_t address, std::size_t length) const; // 0xFF where erased
    SensorState saveState() const;
    void loadState(const SensorState& saved, Micros now);

private:
    enum class Mode { Application, Booting, Bootloader };

    // Frames and their schedule.
    void emit(std::vector<Transmission>& out, const Frame& frame, Micros at);
    void sendAnswer(std::vector<Transmission>& out, const Frame& frame, Micros now);
    void restartSchedules(Micros now);
    // The periods the cyclic frames go out at [ms]: their objects' values unless a fault
    // says otherwise.
    std::uint32_t heartbeatPeriod() const;
    std::uint32_t tpdoPeriod() const;
    std::uint32_t srdoPeriod() const;
    Micros jitter(); // the fault's random offset of one cyclic frame
    void runCyclic(Micros now, std::vector<Transmission>& out);
    Frame heartbeatFrame(std::uint8_t stateByte) const;
    bool tpdoActive() const;
    bool srdoActive() const;
    void mappedData(std::uint32_t mapping, Frame& frame) const;

    // CANopen application.
    void defineObjects();
    void defineStrings();
    void handleNmt(const Frame& frame, Micros now);
    void handleSdo(const Frame& frame, Micros now, std::vector<Transmission>& out);
    void expeditedDownload(const Frame& frame, Micros now, std::vector<Transmission>& out);
    std::uint32_t readObject(std::uint16_t index, std::uint8_t sub, std::uint32_t& value, std::uint8_t& size) const;
    std::uint32_t writeObject(std::uint16_t index, std::uint8_t sub, std::uint32_t value, int size, Micros now);
    std::uint32_t checkWrite(std::uint16_t index, std::uint8_t sub, std::uint32_t value) const;
    void afterWrite(std::uint16_t index, std::uint8_t sub, Micros now);

    // Segmented SDO transfers of the string objects.
    void initiateStringUpload(std::uint16_t index, std::uint8_t sub, const StringEntry& entry, Micros now,
                              std::vector<Transmission>& out);
    void initiateStringDownload(const Frame& frame, StringEntry& entry, Micros now, std::vector<Transmission>& out);
    void uploadSegment(const Frame& frame, Micros now, std::vector<Transmission>& out);
    void downloadSegment(const Frame& frame, Micros now, std::vector<Transmission>& out);
    void abortTransfer(std::uint32_t code, Micros now, std::vector<Transmission>& out);
    bool srdoConfigurationValid() const;
    std::uint16_t configuredSrdoChecksum() const;
    void startBoot(Micros now, Micros duration, bool resetAll);
    void finishBoot(Micros now, std::vector<Transmission>& out);

    // Bootloader.
    void handleBootloader(const Frame& frame, Micros now, std::vector<Transmission>& out);
    void writeFlash(std::uint32_t address, const std::uint8_t* bytes, std::size_t length);
    void echoData(const Frame& frame, Micros now, std::vector<Transmission>& out);
    void cutPower(Micros at);
    std::uint32_t flashWord(std::uint32_t address, bool& written) const;

    // Memory layout of the identity and the error log in the SDO-mapped memory.
    void fillMemory();

    SensorConfig setup;
    ObjectDictionary dictionary;
    std::vector<std::uint8_t> mappedMemory;                   // 256 pages of 256 bytes: objects 0x2800 + page
    std::map<std::uint32_t, std::vector<std::uint8_t>> flash; // 256-byte blocks by base address; absent = erased
    std::mt19937 random;

    Mode mode = Mode::Application;
    NmtState state = NmtState::PreOperational;
    std::uint8_t node = 1;
    int bitrate = 125;
    bool accessGranted = false;
    bool unlocked = false;
    Micros bootDoneAt = never;
    Micros leaveBusAt = never;
    int answersSent = 0;          // for the fault's silence after so many answers
    Micros powerOffFrom = never;  // without power from here ...
    Micros powerOffUntil = never; // ... to here
    bool powerCutDone = false;
    bool imageIncomplete = false; // the power cut broke off the update; an erase starts a new image
    Micros heartbeatAt = never;
    Micros tpdoAt = never;
    Micros srdoAt = never;

    SdoTransfer transfer;

    bool autoIncrement = false;
    std::uint32_t bootloaderAddress = 0;
    int echoedDataFrames = 0;
};

} // namespace sim
