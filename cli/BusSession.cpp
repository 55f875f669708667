#include "BusSession.h"

#include "ExitStatus.h"
#include "Interrupt.h"

#include "can/PCANBasicLibrary.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "sensor/SensorConnection.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>

std::optional<int> openBusFor(const GlobalOptions& options, veldris::CanOpenClient& client)
{
    stopOnInterrupt(client.stopSignal());
    veldris::openBus(client, 0, options.bitrateIndex());
    if (client.adapterOpen())
        return std::nullopt;
    std::cerr << "veldris-cli: the CAN adapter could not be opened at " << options.bitrateKbit
              << " kbit/s (PCAN-Basic library: " << veldris::PCANBasicLibrary::configuredName() << ")\n";
    return exitNoAdapter;
}

std::optional<int> connectFor(const GlobalOptions& options, veldris::CanOpenClient& client, const char* command)
{
    if (const auto missing = requireNode(options, command))
        return missing;
    if (const auto failed = openBusFor(options, client))
        return failed;
    veldris::connectToSensor(client, std::to_string(options.node));
    return std::nullopt;
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

bool parseValue(const std::string& text, std::uint32_t& value)
{
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno || parsed < -2147483648LL || parsed > 0xFFFFFFFFLL)
        return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}
