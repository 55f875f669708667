#include "commands/ScanCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "HexText.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "sensor/NodeIdentity.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

nlohmann::json deviceJson(const veldris::NodeIdentity& identity)
{
    // A node silent to every identity request may be of the family or not: nobody knows.
    nlohmann::json device{{"node", identity.node},
                          {"family", identity.answered ? nlohmann::json(identity.family) : nlohmann::json()}};
    if (identity.family) {
        device["uid"] = hexText(identity.uid, 8);
        return device;
    }
    const std::pair<const char*, const std::optional<std::uint32_t>*> numbers[] = {{"deviceType", &identity.deviceType},
                                                                                   {"vendorId", &identity.vendorId},
                                                                                   {"productCode", &identity.productCode},
                                                                                   {"revision", &identity.revision},
                                                                                   {"serial", &identity.serial}};
    for (const auto& [key, field] : numbers)
        if (field->has_value())
            device[key] = **field;
    if (identity.deviceName)
        device["deviceName"] = *identity.deviceName;
    return device;
}

// Every found node's identity, until the bus refuses a read (`refused` then says why).
std::vector<veldris::NodeIdentity> identifyAll(veldris::CanOpenClient& client, const std::vector<std::int32_t>& nodes,
                                               std::string& refused)
{
    std::vector<veldris::NodeIdentity> devices;
    for (std::int32_t node : nodes) {
        if (client.stopRequested())
            break;
        devices.push_back(veldris::identifyNode(client, node));
        if (!devices.back().refused.empty()) {
            refused = devices.back().refused;
            break;
        }
    }
    return devices;
}

void printScan(const GlobalOptions& options, const veldris::NodeScan& scan, const std::vector<veldris::NodeIdentity>& devices,
               bool identify)
{
    if (options.json) {
        nlohmann::json document{{"bitrate", options.bitrateKbit}, {"nodes", scan.nodes}};
        if (!scan.conflicts.empty())
            document["conflicts"] = scan.conflicts;
        if (identify) {
            document["devices"] = nlohmann::json::array();
            for (const veldris::NodeIdentity& identity : devices)
                document["devices"].push_back(deviceJson(identity));
        }
        printJson(document);
        return;
    }
    for (std::int32_t node : scan.nodes) {
        std::cout << node;
        for (const veldris::NodeIdentity& identity : devices)
            if (identity.node == node)
                std::cout << "  " << (identity.family ? "sensor  " : "") << identity.summary();
        std::cout << '\n';
    }
}

} // namespace

CLI::App* ScanCommand::add(CLI::App& app)
{
    CLI::App* scan = app.add_subcommand("scan", "open the bus, NMT pre-operational to all, probe nodes 0..127");
    scan->add_flag("--identify", identify,
                   "tell for each node whether it is a sensor of the family (its UID) or else its CiA 301 identity");
    return scan;
}

int ScanCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = openBusFor(session))
        return *failed;
    const veldris::NodeScan scan = veldris::scanNodes(client);
    std::string refused = scan.refused;
    std::vector<veldris::NodeIdentity> devices;
    if (identify && scan.complete())
        devices = identifyAll(client, scan.nodes, refused);
    printScan(options, scan, devices, identify);
    for (std::int32_t node : scan.conflicts)
        std::cerr << "veldris-cli: more than one device answered as node " << node << ": they share its node ID\n";
    if (!refused.empty()) {
        std::cerr << "veldris-cli: the scan is incomplete: " << refused << '\n';
        return exitRefused;
    }
    if (scan.nodes.empty())
        std::cerr << "veldris-cli: no node answered at " << options.bitrateKbit << " kbit/s\n";
    return scan.nodes.empty() ? exitRefused : exitDone;
}
