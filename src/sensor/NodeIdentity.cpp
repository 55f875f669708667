#include "sensor/NodeIdentity.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoProtocol.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoTransfer.h"

#include <cstdio>

namespace veldris {

namespace {

constexpr std::uint32_t identityTimeoutMs = 50;
constexpr std::size_t longestDeviceName = 255;

std::string hex32(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// One 32-bit identity object; false when the bus refused the read (the node was not asked).
bool readNumber(CanOpenClient& client, NodeIdentity& identity, std::uint16_t index, std::uint8_t sub,
                std::optional<std::uint32_t>& field)
{
    const auto node = static_cast<std::uint8_t>(identity.node);
    const SdoResult read =
        sdoExchange(client, requests::sdoFrame(node, sdo::upload, index, sub), identityTimeoutMs).expectSize(4);
    if (read.uploaded())
        field = read.value;
    identity.answered = identity.answered || read.answered();
    if (read.notAsked())
        identity.refused = "node " + std::to_string(identity.node) + " " + read.failure();
    return !read.notAsked() && !client.stopRequested();
}

void readCiA301Identity(CanOpenClient& client, NodeIdentity& identity)
{
    const bool asked = readNumber(client, identity, 0x1000, 0, identity.deviceType)
                    && readNumber(client, identity, 0x1018, 1, identity.vendorId)
                    && readNumber(client, identity, 0x1018, 2, identity.productCode)
                    && readNumber(client, identity, 0x1018, 3, identity.revision)
                    && readNumber(client, identity, 0x1018, 4, identity.serial);
    if (!asked)
        return;
    const SdoResult name =
        sdoUpload(client, static_cast<std::uint8_t>(identity.node), SdoObject{0x1008, 0}, identityTimeoutMs, longestDeviceName);
    if (name.uploaded())
        identity.deviceName = visibleText(name.data);
    identity.answered = identity.answered || name.answered();
    if (name.notAsked())
        identity.refused = "node " + std::to_string(identity.node) + " " + name.failure();
}

} // namespace

NodeIdentity identifyNode(CanOpenClient& client, std::int32_t node)
{
    NodeIdentity identity;
    identity.node = node;
    const auto readUid = [&client, node] {
        return sdoExchange(client, requests::readUid(static_cast<std::uint8_t>(node)), identityTimeoutMs).expectSize(4);
    };
    SdoResult uid = readUid();
    if (uid.kind == SdoResult::Kind::NoAnswer)
        uid = readUid();
    identity.answered = uid.answered();
    if (uid.uploaded()) {
        identity.family = true;
        identity.uid = uid.value;
    } else if (uid.notAsked()) {
        identity.refused = "node " + std::to_string(node) + " " + uid.failure();
    } else if (!client.stopRequested()) {
        readCiA301Identity(client, identity);
    }
    return identity;
}

std::string NodeIdentity::summary() const
{
    if (family)
        return "UID " + hex32(uid);
    if (!answered)
        return "no answer to the identity requests";
    std::string text;
    const auto add = [&text](const std::string& field) { text += (text.empty() ? "" : "  ") + field; };
    const std::pair<const char*, const std::optional<std::uint32_t>*> numbers[] = {{"device type ", &deviceType},
                                                                                   {"vendor ", &vendorId},
                                                                                   {"product ", &productCode},
                                                                                   {"revision ", &revision},
                                                                                   {"serial ", &serial}};
    for (const auto& [label, field] : numbers)
        if (field->has_value())
            add(label + hex32(**field));
    if (deviceName)
        add("name \"" + *deviceName + "\"");
    return text.empty() ? "no identity objects" : text;
}

std::string visibleText(const std::vector<std::uint8_t>& bytes)
{
    std::size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == 0)
        --end;
    std::string text;
    for (std::size_t i = 0; i < end; ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte >= 0x20 && byte <= 0x7E) {
            text += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

} // namespace veldris
