#pragma once

#include "can/AdapterNotifier.h"
#include "can/PcanBasicTypes.h"

#include <string>

namespace veldris {

// The run-time binding of the PCAN-Basic library: `$VELDRIS_PCANBASIC` (a name or a path) when
// set, else libpcanbasic.so, then libpcanbasic.so.0, as PEAK's Linux package installs it. All
// fourteen entry points must be present; while any is missing, or the library is not found,
// every call returns 0x10000 (PCAN_ERROR_UNKNOWN) without calling anything. Both failures are
// reported once per load through `notifier`.
class PCANBasicLibrary {
public:
    explicit PCANBasicLibrary(AdapterNotifier notifier = {});
    ~PCANBasicLibrary();
    PCANBasicLibrary(const PCANBasicLibrary&) = delete;
    PCANBasicLibrary& operator=(const PCANBasicLibrary&) = delete;

    bool loaded() const { return isLoaded; }

    // The calls the driver makes. The other entry points are bound only to check that the
    // library is complete.
    pcan::Status initialize(pcan::Handle channel, std::uint16_t btr0btr1, std::uint8_t type, std::uint32_t port,
                            std::uint16_t interrupt);
    pcan::Status uninitialize(pcan::Handle channel);
    pcan::Status reset(pcan::Handle channel);
    pcan::Status read(pcan::Handle channel, pcan::Message* message, pcan::Timestamp* timestamp);
    pcan::Status write(pcan::Handle channel, pcan::Message* message);
    pcan::Status getValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length);
    pcan::Status setValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length);
    pcan::Status getErrorText(pcan::Status error, std::uint16_t language, char* buffer);

    // The library names tried, in order.
    static std::string configuredName();

private:
    void load();

    AdapterNotifier notifier;

    void* module = nullptr;
    CAN_InitializeFD_t canInitializeFD = nullptr;
    CAN_Initialize_t canInitialize = nullptr;
    CAN_Uninitialize_t canUninitialize = nullptr;
    CAN_Reset_t canReset = nullptr;
    CAN_GetStatus_t canGetStatus = nullptr;
    CAN_Read_t canRead = nullptr;
    CAN_ReadFD_t canReadFD = nullptr;
    CAN_Write_t canWrite = nullptr;
    CAN_WriteFD_t canWriteFD = nullptr;
    CAN_FilterMessages_t canFilterMessages = nullptr;
    CAN_GetValue_t canGetValue = nullptr;
    CAN_SetValue_t canSetValue = nullptr;
    CAN_GetErrorText_t canGetErrorText = nullptr;
    CAN_LookUpChannel_t canLookUpChannel = nullptr;
    bool isLoaded = false;
};

} // namespace veldris
