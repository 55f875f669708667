#include "commands/SdoCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "HexText.h"

#include "can/StatusText.h"
#include "canopen/AbortCodes.h"
#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoAnswer.h"
#include "canopen/SdoProtocol.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace {

constexpr std::uint32_t sdoTimeoutMs = 100;

// Prints the answer (command byte and 32-bit value) and says on standard error what went wrong.
int report(const GlobalOptions& options, const std::string& object, const veldris::Exchange& exchange, bool writing)
{
    using Kind = veldris::SdoAnswer::Kind;
    const veldris::SdoAnswer answer = veldris::SdoAnswer::of(exchange.answer);
    const bool success = writing ? answer.confirmed() : answer.uploaded();
    if (options.json) {
        nlohmann::json result = {{"node", options.node}, {"object", object}, {"command", answer.command}, {"value", answer.value}};
        if (answer.aborted()) {
            result["abortCode"] = answer.abortCode();
            result["abortText"] = veldris::abortCodeText(answer.abortCode());
        }
        printJson(result);
    } else {
        std::cout << hexText(answer.command, 2) << ' ' << hexText(answer.value, 8) << '\n';
    }
    const std::string node = "veldris-cli: node " + std::to_string(options.node);
    if (exchange.status == veldris::ExchangeStatus::WriteRefused)
        std::cerr << "veldris-cli: the adapter refused to send the request (status " << veldris::statusText(exchange.adapterStatus) << ")\n";
    else if (answer.kind == Kind::NoAnswer)
        std::cerr << node << " did not answer\n";
    else if (answer.aborted())
        std::cerr << node << " aborted " << object << " with " << veldris::abortDescription(answer.abortCode()) << '\n';
    else if (!success)
        std::cerr << "veldris-cli: unexpected answer " << hexText(answer.command, 2) << '\n';
    return success ? exitDone : exitRefused;
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

int SdoCommand::run(const GlobalOptions& options)
{
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
    if (writing && !parseValue(value, number)) {
        std::cerr << "veldris-cli: '" << value << "' is not a 32-bit number\n";
        return exitUsage;
    }
    veldris::CanOpenClient& client = veldris::canOpenClient();
    if (const auto failed = connectFor(options, client, "sdo"))
        return *failed;
    const auto node = static_cast<std::uint8_t>(options.node);
    const std::uint8_t command = writing ? veldris::sdo::downloadCommand(size) : veldris::sdo::upload;
    const std::uint32_t sent = size == 4 ? number : number & ((1u << (8 * size)) - 1);
    const veldris::Exchange exchange =
        client.exchange(veldris::requests::sdoFrame(node, command, index, sub, writing ? sent : 0), sdoTimeoutMs);
    char name[16];
    std::snprintf(name, sizeof name, "0x%04X:%02X", index, sub);
    return report(options, name, exchange, writing);
}
