#include "commands/SdoCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "HexText.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace {

constexpr std::uint32_t sdoTimeoutMs = 100;

// Prints the answer (command byte and 32-bit value) and says on standard error what went wrong.
int report(const GlobalOptions& options, const std::string& object, const veldris::CanFrame& answer, bool success)
{
    const std::uint8_t command = answer.data[0];
    const std::uint32_t value = answer.value();
    if (options.json) {
        nlohmann::json result = {{"node", options.node}, {"object", object}, {"command", command}, {"value", value}};
        if (command == 0x80)
            result["abortCode"] = value;
        std::cout << result.dump() << '\n';
    } else {
        std::cout << hexText(command, 2) << ' ' << hexText(value, 8) << '\n';
    }
    if (command == 0)
        std::cerr << "veldris-cli: node " << options.node << " did not answer\n";
    else if (command == 0x80)
        std::cerr << "veldris-cli: node " << options.node << " aborted " << object << " with " << hexText(value, 8) << '\n';
    else if (!success)
        std::cerr << "veldris-cli: unexpected answer " << hexText(command, 2) << '\n';
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
    const std::uint8_t command = !writing ? 0x40 : size == 1 ? 0x2F : size == 2 ? 0x2B : 0x23;
    const std::uint32_t sent = size == 4 ? number : number & ((1u << (8 * size)) - 1);
    veldris::CanFrame answer;
    client.request(answer, veldris::requests::sdoFrame(node, command, index, sub, writing ? sent : 0), sdoTimeoutMs);
    const std::uint8_t answered = answer.data[0];
    const bool success = writing ? answered == 0x60 : (answered == 0x43 || answered == 0x47 || answered == 0x4B || answered == 0x4F);
    char name[16];
    std::snprintf(name, sizeof name, "0x%04X:%02X", index, sub);
    return report(options, name, answer, success);
}
