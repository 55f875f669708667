#pragma once

#include "firmware/FirmwarePackage.h"
#include "sensor/SensorInfo.h"

#include <cstdint>

namespace veldris {

class CanOpenClient;
struct CanFrame;
struct Exchange;
class MemoryImage;
class Progress;

// What became of one module of an update method.
struct ModuleUpdateResult {
    enum class Outcome {
        Updated, // the image is in the sensor's flash, every data frame echoed
        Refused, // the package does not fit the sensor (UID, bootloader ID), no bootloader answered, or
                 // the adapter took no frame to ask it
        Failed,  // the image is damaged, the adapter did not open at the bootloader's 125 kbit/s or
                 // refused a data frame (bus off), or data frames were not echoed
        Skipped, // no module of that name, or not a "hex" module: nothing was shown or sent
        Stopped, // a stop ended it at a frame boundary
    };
    Outcome outcome = Outcome::Skipped;
    std::uint64_t bytes = 0;    // image bytes sent, gaps filled with 0xFF included
    std::uint32_t frames = 0;   // data frames sent
    std::uint32_t unechoed = 0; // data frames the bootloader did not echo byte for byte
    double seconds = 0;         // of the data phase (set address to the last data frame)
};

// Writes firmware modules into a sensor through its bootloader (frames on identifier 0x7F at
// 125 kbit/s): UID check, unlock, bootloader mode, bootloader ID check, re-opening the bus at
// 125 kbit/s, auto increment, erase, the image six bytes per echoed data frame, reboot. With
// `force` the application-side steps are skipped and a bootloader that already runs is
// expected. Report lines and the percentage go to the Progress as they come; a module ends with
// the line "DONE" when its image is in the sensor and "FAILED" otherwise.
//
// The module's image is read and checked into an empty MemoryImage before the sensor is
// touched: a damaged or empty image ends the module with a line and nothing sent. A stop ends
// the module at a frame boundary with a line that says in which state the sensor was left.
class FirmwareUpdate {
public:
    FirmwareUpdate(CanOpenClient& client, SensorInfo sensor, bool force);

    // One module; `module` null or not of type "hex" is skipped without a line.
    ModuleUpdateResult update(const FirmwareModule* module, Progress& progress);

private:
    enum class Entry {
        Ready,           // the module's bootloader runs and has shown its ID
        Refused,         // nothing asked of the sensor's bootloader: no bootloader, or a foreign UID
        WrongBootloader, // a bootloader runs, but another one than the module is built for
        Stopped,
    };

    bool readImage(const FirmwareModule& module, MemoryImage& image, Progress& progress);
    Entry enterBootloader(const FirmwareModule& module, Progress& progress, ModuleUpdateResult& result);
    void sendImage(const MemoryImage& image, Progress& progress, ModuleUpdateResult& result);
    bool stopped(Progress& progress, ModuleUpdateResult& result, bool sensorTouched);
    CanFrame command(const CanFrame& frame, std::uint32_t timeoutMs);
    bool setAutoIncrement();
    bool adapterRefused(const Exchange& exchange, const CanFrame& frame);
    void finish(const ModuleUpdateResult& result);

    CanOpenClient& client;
    SensorInfo sensor;
    bool force;
    Progress* report = nullptr; // of the module being updated
    bool refusalTold = false;   // the adapter refused a frame of this module
};

} // namespace veldris
