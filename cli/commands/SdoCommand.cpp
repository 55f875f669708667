#include "commands/SdoCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "HexText.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoProtocol.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

constexpr std::uint32_t sdoTimeoutMs = 100;

// Prints the answer (command byte and value) of an upload or a confirmed download; says on
// standard error what came instead, and then prints nothing.
int report(const GlobalOptions& options, const veldris::SdoResult& result, bool writing)
{
    const bool success = writing ? result.confirmed() : result.uploaded();
    if (!success) {
        reportFailure(options, result);
        return exitRefused;
    }
    if (options.json)
        printJson(nlohmann::json{
            {"node", options.node}, {"object", result.object.text()}, {"command", result.command}, {"value", result.value}});
    else
        std::cout << hexText(result.command, 2) << ' ' << hexText(result.value, 8) << '\n';
    return exitDone;
}

} // namespace

CLI::App* SdoCommand::add(CLI::App& app)
{
    CLI::App* sdo = app.add_subcommand("sdo", "one expedited SDO read or write");
    sdo->require_subcommand(1);
    readCommand = sdo->add_subcommand("read", "read INDEX:SUB; prints the command byte and the 32-bit value");
    readCommand->add_option("object", object, "object, e.g. 0x1017:00")->required();
    writeCommand = sdo->add_subcommand("write", "write VALUE to INDEX:SUB");
    writeCommand->add_option("object", object, "object, e.g. 0x1017:00")->required();
    writeCommand->add_option("value", value, "decimal or 0x hexadecimal")->required();
    writeCommand->add_option("--size", size, "bytes written: 1, 2 or 4")->check(CLI::IsMember({1, 2, 4}));
    return sdo;
}

int SdoCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, "sdo"))
        return *missing;
    std::uint16_t index = 0;
    std::uint8_t sub = 0;
    std::uint32_t number = 0;
    if (!parseObject(object, index, sub)) {
        std::cerr << "veldris-cli: '" << object << "' is not an object INDEX:SUB in hexadecimal\n";
        return exitUsage;
    }
    const bool writing = writeCommand->parsed();
    if (writing) {
        const veldris::SdoObject target{index, sub};
        const auto parsed =
            parseValue(value, veldris::NumberRange::anyBytes(size), target.text() + " with --size " + std::to_string(size));
        if (!parsed)
            return exitUsage;
        // Two's complement of a negative value, cut to the bytes it was checked against.
        number = size == 4 ? *parsed : *parsed & ((1u << (8 * size)) - 1);
    }
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "sdo", Device::Any))
        return *failed;
    const auto node = static_cast<std::uint8_t>(options.node);
    const std::uint8_t command = writing ? veldris::sdo::downloadCommand(size) : veldris::sdo::upload;
    const veldris::SdoResult result = veldris::sdoExchange(
        client, veldris::requests::sdoFrame(node, command, index, sub, writing ? number : 0), sdoTimeoutMs);
    return report(options, result, writing);
}
