#pragma once

#include "sim/ErrorLogMemory.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

// Faults a simulated sensor can be told to show.
struct SensorFaults {
    bool silent = false;                     // sends nothing at all, answers nothing
    std::vector<std::uint32_t> abortObjects; // index << 8 | sub-index: every SDO access is aborted
    std::uint32_t abortCode = 0x08000000;    // the abort code sent for them
    double lossPercent = 0;                  // share of the sensor's frames lost on the bus [%]
    int answerDelayMs = 0;                   // SDO and bootloader answers come this late
    int bootloaderEchoLimit = -1;            // the bootloader stops echoing data frames after this many; -1: never
    int leaveBusAfterS = -1;                 // the sensor leaves the bus this long after the bus started; -1: never
    int silentAfterFrames = 0;               // the sensor leaves the bus after this many answers; 0: never
    std::string bootloaderId;                // answered to 'S' instead of the real bootloader ID; empty: the real one
    bool refuseSrdoStart = false;            // the SRDO configuration is never accepted as valid
    int tpdoPeriodMs = 0;                    // TPDO 1 sent at this period instead of its event timer; 0: as configured
    int heartbeatPeriodMs = 0;               // the heartbeat at this period instead of 0x1017; 0: as configured
    int srdoPeriodMs = 0;                    // SRDO 1 at this period instead of its cycle time; 0: as configured
    int jitterMs = 0;                        // each cyclic frame sent up to this much early or late
    int powerCutAfterFrames = 0;             // power lost after the bootloader echoed this many data frames; 0: never
    bool sdoToggleError = false;             // the second segment of every segmented upload carries the wrong toggle bit
};

// The SRDO 1 configuration of a safety sensor (variant 2).
struct SrdoConfig {
    bool enabled = false;
    std::uint32_t direction = 1;          // 0x1301:01, 1 = the sensor produces the SRDO
    std::uint32_t cycleTimeMs = 25;       // 0x1301:02
    std::uint32_t validationTimeMs = 20;  // 0x1301:03
    std::uint32_t transmissionType = 254; // 0x1301:04
    std::uint32_t cobId1 = 0x101;         // 0x1301:05, normal data
    std::uint32_t cobId2 = 0x102;         // 0x1301:06, inverted data
    std::uint32_t mappingCount = 2;       // 0x1381:00
    std::uint32_t mapping1 = 0x71300110;  // 0x1381:01
    std::uint32_t mapping2 = 0x71300110;  // 0x1381:02
    bool checksumAuto = true;             // the stored checksum matches the configuration
    std::uint32_t checksum = 0;           // 0x13FF:01 when not automatic
    std::uint32_t validMark = 0xA5;       // 0x13FE:00
};

// One simulated sensor as a scenario describes it.
struct SensorConfig {
    std::string name; // the scenario's section, the key of its saved state
    std::uint8_t nodeId = 1;
    int bitrateKbit = 125;
    std::uint32_t uid = 0;
    bool listed = false;                          // object layout of listed UIDs
    std::uint32_t firmwareVersion = 0;            // byte 3 = first number of "a.b.c.d"
    std::uint32_t firmwareVersionAddress = 0x100; // flash address the application's version is read from after an update
    std::int32_t itemNumber = 0;
    std::int32_t serialNumber = 0;
    std::uint32_t heartbeatMs = 1000;
    std::uint32_t tpdoCobId = 0; // 0: 0x180 + node ID
    std::uint32_t tpdoTransmissionType = 254;
    std::uint32_t tpdoEventTimerMs = 100;
    std::uint32_t tpdoMapping = 0x71300110;
    double processValue = 0;         // physical value of the process object
    std::uint32_t decimalDigits = 2; // 0x7132:01, for 16-bit process objects
    std::uint32_t unitCode = 0;      // the unit object h31:01
    std::uint32_t currentError = 0;
    SrdoConfig srdo;
    bool hasErrorLog = false;
    ErrorLogLayout errorLog;
    std::vector<ErrorLogEntry> errorLogEntries;
    std::vector<std::uint8_t> errorLogMemory; // raw bytes placed at virtaddr instead of the entries, when not empty
    std::string bootloaderId = "KVRBL1";
    bool startInBootloader = false;
    std::map<std::uint16_t, std::string> strings; // VISIBLE_STRING objects the scenario sets, by index; the rest default
    SensorFaults faults;
};

} // namespace sim
