#include "Session.h"

#include "Interrupt.h"

#include "can/BusTrace.h"
#include "canopen/CanOpenClient.h"

Session::Session(const GlobalOptions& given, veldris::DataDirectory folder) : options(given), data(std::move(folder))
{
}

Session::~Session()
{
    if (bus)
        forgetInterruptTarget(bus->stopSignal()); // Ctrl-C at exit must not reach a freed client
}

veldris::CanOpenClient& Session::client()
{
    if (!bus) {
        veldris::AdapterHooks hooks; // no notifier: a missing library is said on standard error
        if (!options.adapter.tracePath.empty())
            hooks.trace = std::make_shared<veldris::BusTrace>(options.adapter.tracePath);
        bus = std::make_unique<veldris::CanOpenClient>(std::move(hooks));
    }
    return *bus;
}
