#include "commands/DcfCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "TerminalProgress.h"

#include "can/CandumpLine.h"
#include "canopen/CanOpenClient.h"
#include "dcf/DCFFile.h"
#include "dcf/DCFUpload.h"
#include "dcf/DownloadFrame.h"
#include "sensor/SensorInfo.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

using Result = veldris::SectionReport::Result;

const char* actionName(veldris::DownloadPlan::Action action)
{
    switch (action) {
    case veldris::DownloadPlan::Action::Send: return "send";
    case veldris::DownloadPlan::Action::Skip: return "skip";
    case veldris::DownloadPlan::Action::BadValue: return "bad value";
    default: return "refuse";
    }
}

const char* resultName(Result result)
{
    switch (result) {
    case Result::Sent: return "sent";
    case Result::Aborted: return "aborted";
    case Result::NoAnswer: return "no answer";
    case Result::Refused: return "refused";
    default: return "skipped";
    }
}

nlohmann::json sectionJson(const veldris::SectionReport& report)
{
    const bool failed = report.result == Result::Aborted || report.result == Result::NoAnswer
                     || report.result == Result::Refused || report.verified == false;
    nlohmann::json json = {{"headerLine", report.headerLine},
                           {"index", report.index},
                           {"subIndex", report.frame.data[3]},
                           {"frame", veldris::frameNotation(report.frame)},
                           {"result", resultName(report.result)},
                           {"abortCode", nullptr},
                           {"reason", nullptr},
                           {"verified", nullptr},
                           {"error", failed}};
    if (report.result == Result::Aborted && report.abortCode != 0)
        json["abortCode"] = report.abortCode;
    if (!report.reason.empty())
        json["reason"] = report.reason;
    if (report.verified)
        json["verified"] = *report.verified;
    return json;
}

bool loadDcf(veldris::DCFFile& file, const std::string& path)
{
    if (file.load(path))
        return true;
    std::cerr << "veldris-cli: " << path << ": no section header (a line beginning with \"[\") found\n";
    return false;
}

} // namespace

CLI::App* DcfCommand::add(CLI::App& app)
{
    CLI::App* dcf = app.add_subcommand("dcf", "device configuration files");
    dcf->require_subcommand(1);
    dcf->add_subcommand("show", "the sections of FILE and the frame each sends to --node (default 1)")
        ->add_option("file", path, "DCF file")
        ->required();
    writeCommand = dcf->add_subcommand("write", "write FILE into the sensor at --node, store, reset the bus");
    writeCommand->add_option("file", path, "DCF file")->required();
    writeCommand->add_flag("--verify", verify, "read every written value back and compare it before the store");
    readCommand = dcf->add_subcommand(
        "read", "save TEMPLATE as FILE with the values of the sensor at --node for every section dcf write sends");
    readCommand->add_option("template", path, "DCF file whose sections say what to read")->required();
    readCommand->add_option("--output", output, "the DCF file to write")->required();
    diffCommand = dcf->add_subcommand("diff", "compare the values of the sensor at --node with the sections of FILE");
    diffCommand->add_option("file", path, "DCF file")->required();
    return dcf;
}

int DcfCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    if (writeCommand->parsed())
        return write(session);
    if (readCommand->parsed())
        return read(session);
    if (diffCommand->parsed())
        return diff(session);
    return show(options);
}

int DcfCommand::show(const GlobalOptions& options)
{
    veldris::DCFFile file;
    if (!loadDcf(file, path))
        return exitUsage;
    const auto node = static_cast<std::uint8_t>(options.node >= 0 ? options.node : 1);
    nlohmann::json sections = nlohmann::json::array();
    std::vector<std::string> problems;
    for (const veldris::DCFSection& section : file.sections()) {
        veldris::CanFrame frame;
        veldris::buildDownloadFrame(section, node, frame, &problems);
        const veldris::DownloadPlan plan = veldris::planDownload(section, node);
        if (options.json) {
            sections.push_back({{"index", section.index},
                                {"headerLine", section.headerLine},
                                {"keys", section.keys},
                                {"values", section.values},
                                {"frame", veldris::frameNotation(frame)},
                                {"action", actionName(plan.action)},
                                {"reason", plan.reason}});
            if (plan.isString())
                sections.back()["size"] = plan.bytes.size();
            continue;
        }
        std::cout << '[' << section.index << "] line " << section.headerLine << '\n';
        for (std::size_t i = 0; i < section.keys.size(); ++i)
            std::cout << "  " << section.keys[i] << " = " << section.values[i] << '\n';
        // A string above four bytes is a segmented transfer: its first frame and its size.
        std::cout << "  frame " << veldris::frameNotation(frame)
                  << (plan.isString() && plan.bytes.size() > 4 ? " (segmented, " + std::to_string(plan.bytes.size()) + " bytes)"
                                                               : "")
                  << '\n';
        if (plan.action != veldris::DownloadPlan::Action::Send)
            std::cout << (plan.action == veldris::DownloadPlan::Action::Skip ? "  skipped: " : "  not sent: ") << plan.reason
                      << '\n';
    }
    if (options.json)
        printJson({{"path", path}, {"sections", sections}});
    for (const std::string& problem : problems)
        std::cerr << "veldris-cli: " << path << ": " << problem << '\n';
    return exitDone;
}

int DcfCommand::write(Session& session)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, "dcf write"))
        return *missing;
    veldris::DCFFile file;
    if (!loadDcf(file, path))
        return exitUsage;
    // A typo in one value refuses the file before the first frame: no sensor is left half
    // configured by it.
    const std::vector<std::string> bad = veldris::badValues(file.sections(), static_cast<std::uint8_t>(options.node));
    for (const std::string& line : bad)
        std::cerr << "veldris-cli: " << path << ": " << line << '\n';
    if (!bad.empty()) {
        std::cerr << "veldris-cli: " << path << " was not written: nothing was sent\n";
        return exitUsage;
    }
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "dcf write"))
        return *failed;
    veldris::DCFUploadResult result;
    std::vector<std::string> lines;
    {
        TerminalProgress progress(stdout, TerminalProgress::terminalOrNull(), options.json);
        result = veldris::DCFUpload(client, session.sensor, file.sections(), verify).run(progress);
        lines = progress.collectedLines();
    }
    if (options.json) {
        nlohmann::json sections = nlohmann::json::array();
        for (const veldris::SectionReport& report : result.sections)
            sections.push_back(sectionJson(report));
        nlohmann::json srdo = nullptr;
        if (result.srdoChecksumSaved)
            srdo = *result.srdoChecksumSaved ? "saved" : "failed";
        printJson({{"lines", lines},
                   {"sections", sections},
                   {"stored", result.stored},
                   {"storeUnknown", result.storeUnknown},
                   {"srdoChecksum", srdo}});
    }
    if (!result.success && !result.stopped && result.storeUnknown)
        std::cerr << "veldris-cli: the store is not confirmed\n";
    else if (!result.success && !result.stopped)
        std::cerr << "veldris-cli: the DCF was not written completely; nothing was stored\n";
    return result.success ? exitDone : exitRefused;
}
