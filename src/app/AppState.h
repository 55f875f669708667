#pragma once

#include "canopen/CanOpenClient.h"
#include "common/DataDirectory.h"
#include "common/Translations.h"
#include "dcf/DCFFile.h"
#include "errorlog/ErrorLog.h"
#include "firmware/FirmwarePackage.h"
#include "sensor/SensorInfo.h"

#include <memory>

// What the window program keeps while it runs, in one place: its data folder, the translation
// table, the CAN client, the connected sensor's record and the files its pages loaded. main()
// owns it for the program's whole run and hands it to the window; window tests build their
// own. Only the window's thread changes it; a worker gets copies of what it needs (the
// sensor's record, the DCF sections, the firmware module) and the client.
class AppState {
public:
    explicit AppState(veldris::DataDirectory folder, veldris::AdapterHooks hooks = {})
        : data(std::move(folder)), adapterHooks(std::move(hooks))
    {
    }

    // Created at its first use (the first bus open), as the adapter library is loaded then and
    // a missing one is reported over the window.
    veldris::CanOpenClient& client()
    {
        if (!bus)
            bus = std::make_unique<veldris::CanOpenClient>(adapterHooks);
        return *bus;
    }

    veldris::DataDirectory data;
    veldris::Translations translations;
    veldris::SensorInfo sensor; // the connected sensor: set when a node is chosen
    veldris::DCFFile dcf;
    veldris::FirmwarePackage package;
    veldris::ErrorLog errorLog; // of the Error Log page: entries outside the list mask left out

private:
    veldris::AdapterHooks adapterHooks;
    std::unique_ptr<veldris::CanOpenClient> bus;
};
