#include "BusSession.h"

#include "ExitStatus.h"
#include "Interrupt.h"

#include "can/PCANBasicLibrary.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/SdoResult.h"
#include "sensor/SensorConnection.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>

std::optional<int> openBusFor(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::CanOpenClient& client = session.client();
    stopOnInterrupt(client.stopSignal());
    veldris::openBus(client, 0, options.bitrateIndex());
    if (client.adapterOpen())
        return std::nullopt;
    reportAdapterNotOpened(options);
    return exitNoAdapter;
}

void reportAdapterNotOpened(const GlobalOptions& options, const std::string& purpose)
{
    std::cerr << "veldris-cli: the CAN adapter could not be opened at " << options.bitrateKbit << " kbit/s" << purpose
              << " (PCAN-Basic library: " << veldris::PCANBasicLibrary::configuredName() << ")\n";
}

std::optional<int> connectFor(Session& session, const char* command, Device device, veldris::IdentityReads* reads)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, command))
        return missing;
    if (const auto failed = openBusFor(session))
        return failed;
    veldris::Connection connection = veldris::connectToSensor(session.client(), std::to_string(options.node));
    session.sensor = connection.sensor;
    if (reads)
        *reads = connection.reads;
    // An adapter that takes no frame (bus off, unplugged) lets no command go on; its status
    // names why.
    const bool refused = connection.reads.uid.kind == veldris::SdoResult::Kind::NotSent;
    if (!refused && (device == Device::Any || !veldris::answeredAsForeignDevice(connection.reads.uid)))
        return std::nullopt;
    reportFailure(options, connection.reads.uid);
    return exitRefused;
}

void reportFailure(const GlobalOptions& options, const veldris::SdoResult& result)
{
    const std::string node = "node " + std::to_string(options.node);
    if (veldris::answeredAsForeignDevice(result))
        std::cerr << "veldris-cli: " << node << " is not a sensor of this family: it " << result.failure() << '\n';
    else
        std::cerr << "veldris-cli: " << node << ' ' << result.failure() << '\n';
}

std::optional<int> requireNode(const GlobalOptions& options, const char* command)
{
    if (options.node >= 0)
        return std::nullopt;
    std::cerr << "veldris-cli: " << command << " needs --node N\n";
    return exitUsage;
}

namespace {

bool parseUnsigned(const std::string& text, int base, unsigned long max, unsigned long& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text.c_str(), &end, base);
    return *end == '\0' && errno == 0 && value <= max;
}

} // namespace

bool parseObject(const std::string& text, std::uint16_t& index, std::uint8_t& sub)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    unsigned long parsedIndex = 0, parsedSub = 0;
    if (!parseUnsigned(text.substr(0, colon), 16, 0xFFFF, parsedIndex)
        || !parseUnsigned(text.substr(colon + 1), 16, 0xFF, parsedSub))
        return false;
    index = static_cast<std::uint16_t>(parsedIndex);
    sub = static_cast<std::uint8_t>(parsedSub);
    return true;
}

std::optional<std::uint32_t> parseValue(const std::string& text, const veldris::NumberRange& range, const std::string& what)
{
    const veldris::NumberReading reading = veldris::readNumberText(text, range);
    if (reading.ok())
        return reading.bits();
    std::cerr << "veldris-cli: " << what << ": " << veldris::numberRefusal(text, reading, range) << '\n';
    return std::nullopt;
}
