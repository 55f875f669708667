#include "commands/SdoCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "HexText.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoTransfer.h"
#include "sensor/NodeIdentity.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

constexpr std::uint32_t sdoTimeoutMs = 100;

// An expedited upload is printed as command byte and 32-bit value; a segmented one, or any with
// --string, as its bytes (and text).
void printUpload(const GlobalOptions& options, const veldris::SdoResult& result, bool asText)
{
    const bool asBytes = asText || result.segmented;
    if (options.json) {
        nlohmann::json document{{"node", options.node}, {"object", result.object.text()}, {"command", result.command}};
        if (asBytes)
            document["bytes"] = hexBytes(result.data);
        else
            document["value"] = result.value;
        if (asText)
            document["text"] = veldris::visibleText(result.data);
        printJson(document);
    } else if (asText) {
        std::cout << veldris::visibleText(result.data) << '\n';
    } else if (asBytes) {
        std::cout << hexText(result.command, 2) << ' ' << hexBytes(result.data) << '\n';
    } else {
        std::cout << hexText(result.command, 2) << ' ' << hexText(result.value, 8) << '\n';
    }
}

// Prints the answer of an upload or a confirmed download; says on standard error what came
// instead, and then prints nothing.
int report(const GlobalOptions& options, const veldris::SdoResult& result, bool writing, bool asText)
{
    const bool success = writing ? result.confirmed() : result.uploaded();
    if (!success) {
        reportFailure(options, result);
        return exitRefused;
    }
    if (!writing)
        printUpload(options, result, asText);
    else if (options.json)
        printJson(nlohmann::json{
            {"node", options.node}, {"object", result.object.text()}, {"command", result.command}, {"value", result.value}});
    else
        std::cout << hexText(result.command, 2) << ' ' << hexText(result.value, 8) << '\n';
    return exitDone;
}

} // namespace

CLI::App* SdoCommand::add(CLI::App& app)
{
    CLI::App* sdo = app.add_subcommand("sdo", "one SDO read or write, expedited or segmented");
    sdo->require_subcommand(1);
    readCommand = sdo->add_subcommand("read", "read INDEX:SUB; prints the command byte and the 32-bit value, or the bytes");
    readCommand->add_option("object", object, "object, e.g. 0x1017:00")->required();
    readCommand->add_flag("--string", asText, "print the value as text (VISIBLE_STRING)");
    writeCommand = sdo->add_subcommand("write", "write VALUE, --string TEXT or --bytes HEX to INDEX:SUB");
    writeCommand->add_option("object", object, "object, e.g. 0x1017:00")->required();
    CLI::Option* number = writeCommand->add_option("value", value, "decimal or 0x hexadecimal");
    writeCommand->add_option("--size", size, "bytes written: 1, 2 or 4")->check(CLI::IsMember({1, 2, 4}));
    CLI::Option* string = writeCommand->add_option("--string", text, "text written as it stands (segmented above 4 bytes)");
    CLI::Option* bytes = writeCommand->add_option("--bytes", hex, "bytes written, hexadecimal pairs (\"01 02 0A\")");
    number->excludes(string)->excludes(bytes);
    string->excludes(bytes);
    return sdo;
}

int SdoCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, "sdo"))
        return *missing;
    std::uint16_t index = 0;
    std::uint8_t sub = 0;
    if (!parseObject(object, index, sub)) {
        std::cerr << "veldris-cli: '" << object << "' is not an object INDEX:SUB in hexadecimal\n";
        return exitUsage;
    }
    const veldris::SdoObject target{index, sub};
    const bool writing = writeCommand->parsed();
    std::vector<std::uint8_t> payload;
    if (writing) {
        const auto bytes = payloadOf(target);
        if (!bytes)
            return exitUsage;
        payload = *bytes;
    }
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "sdo", Device::Any))
        return *failed;
    const auto node = static_cast<std::uint8_t>(options.node);
    const veldris::SdoResult result = writing ? veldris::sdoDownload(client, node, target, payload, sdoTimeoutMs)
                                              : veldris::sdoUpload(client, node, target, sdoTimeoutMs);
    return report(options, result, writing, asText);
}

// The bytes to download: VALUE in --size bytes (least significant first), the text, or the
// hexadecimal bytes; nothing, after saying why, when they are missing or malformed.
std::optional<std::vector<std::uint8_t>> SdoCommand::payloadOf(const veldris::SdoObject& target) const
{
    if (text)
        return std::vector<std::uint8_t>(text->begin(), text->end());
    if (hex) {
        auto bytes = parseHexBytes(*hex);
        if (!bytes)
            std::cerr << "veldris-cli: --bytes '" << *hex << "' is not pairs of hexadecimal digits\n";
        return bytes;
    }
    if (value.empty()) {
        std::cerr << "veldris-cli: sdo write needs VALUE, --string TEXT or --bytes HEX\n";
        return std::nullopt;
    }
    const auto parsed =
        parseValue(value, veldris::NumberRange::anyBytes(size), target.text() + " with --size " + std::to_string(size));
    if (!parsed)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < size; ++i) // a negative value's two's complement, cut to its bytes
        bytes.push_back(static_cast<std::uint8_t>(*parsed >> (8 * i)));
    return bytes;
}
