#include "can/PCANBasicLibrary.h"

#include "can/AdapterChoice.h"
#include "can/AdapterNotifier.h"

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

namespace veldris {

namespace {

// Forwards a call while the binding is usable; refuses it with PCAN_ERROR_UNKNOWN otherwise.
template <class Function, class... Args>
pcan::Status forward(bool loaded, Function function, Args... args)
{
    return loaded ? function(args...) : pcan::errorUnknown;
}

std::vector<std::string> candidateNames()
{
    const char* chosen = std::getenv(libraryVariable);
    if (chosen && *chosen)
        return {chosen};
    return {"libpcanbasic.so", "libpcanbasic.so.0"};
}

} // namespace

std::string PCANBasicLibrary::configuredName()
{
    std::string names;
    for (const std::string& name : candidateNames())
        names += (names.empty() ? "" : ", ") + name;
    return names;
}

PCANBasicLibrary::PCANBasicLibrary(AdapterNotifier problemNotifier) : notifier(std::move(problemNotifier))
{
    load();
}

PCANBasicLibrary::~PCANBasicLibrary()
{
    if (module)
        ::dlclose(module);
}

void PCANBasicLibrary::load()
{
    std::string failure;
    for (const std::string& name : candidateNames()) {
        module = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module)
            break;
        const char* reason = ::dlerror();
        failure = reason ? reason : name;
    }
    // The first line is the message technicians know from the adapter's other platforms; the
    // second names what was looked for here.
    if (!module) {
        notifyAdapterProblem(notifier, "Error!", "Error: \"Unable to find the DLL PCANBasic.dll!\"\n" + failure);
        return;
    }
    std::string missing;
    const auto bind = [&](auto& pointer, const char* name) {
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(::dlsym(module, name));
        if (!pointer)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
    bind(canInitialize, "CAN_Initialize");
    bind(canInitializeFD, "CAN_InitializeFD");
    bind(canUninitialize, "CAN_Uninitialize");
    bind(canReset, "CAN_Reset");
    bind(canGetStatus, "CAN_GetStatus");
    bind(canRead, "CAN_Read");
    bind(canReadFD, "CAN_ReadFD");
    bind(canWrite, "CAN_Write");
    bind(canWriteFD, "CAN_WriteFD");
    bind(canFilterMessages, "CAN_FilterMessages");
    bind(canGetValue, "CAN_GetValue");
    bind(canSetValue, "CAN_SetValue");
    bind(canGetErrorText, "CAN_GetErrorText");
    bind(canLookUpChannel, "CAN_LookUpChannel");
    isLoaded = missing.empty();
    if (!isLoaded)
        notifyAdapterProblem(notifier, "Error!", "Error: \"DLL functions could not be loaded!\"\nmissing: " + missing);
}

pcan::Status PCANBasicLibrary::initialize(pcan::Handle channel, std::uint16_t btr0btr1, std::uint8_t type, std::uint32_t port,
                                          std::uint16_t interrupt)
{
    return forward(isLoaded, canInitialize, channel, btr0btr1, type, port, interrupt);
}

pcan::Status PCANBasicLibrary::uninitialize(pcan::Handle channel)
{
    return forward(isLoaded, canUninitialize, channel);
}

pcan::Status PCANBasicLibrary::reset(pcan::Handle channel)
{
    return forward(isLoaded, canReset, channel);
}

pcan::Status PCANBasicLibrary::read(pcan::Handle channel, pcan::Message* message, pcan::Timestamp* timestamp)
{
    return forward(isLoaded, canRead, channel, message, timestamp);
}

pcan::Status PCANBasicLibrary::write(pcan::Handle channel, pcan::Message* message)
{
    return forward(isLoaded, canWrite, channel, message);
}

pcan::Status PCANBasicLibrary::getValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length)
{
    return forward(isLoaded, canGetValue, channel, parameter, buffer, length);
}

pcan::Status PCANBasicLibrary::setValue(pcan::Handle channel, pcan::Parameter parameter, void* buffer, std::uint32_t length)
{
    return forward(isLoaded, canSetValue, channel, parameter, buffer, length);
}

pcan::Status PCANBasicLibrary::getErrorText(pcan::Status error, std::uint16_t language, char* buffer)
{
    return forward(isLoaded, canGetErrorText, error, language, buffer);
}

} // namespace veldris
