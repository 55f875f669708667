// dcf read and dcf diff: the sensor's values of the sections of a DCF, saved into a copy of
// the template or compared with the file.

#include "commands/DcfCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "TerminalProgress.h"

#include "canopen/CanOpenClient.h"
#include "common/AtomicFile.h"
#include "common/FileContent.h"
#include "dcf/DCFFile.h"
#include "dcf/DcfComparison.h"
#include "dcf/DcfReadout.h"
#include "dcf/DcfTemplate.h"
#include "dcf/DownloadFrame.h"
#include "dcf/ValueText.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

using Reading = veldris::EntryReading;
using Comparison = veldris::EntryComparison;

const char* readName(Reading::Result result)
{
    switch (result) {
    case Reading::Result::Read: return "read";
    case Reading::Result::Aborted: return "aborted";
    case Reading::Result::NoAnswer: return "no answer";
    default: return "skipped";
    }
}

const char* compareName(Comparison::Result result)
{
    switch (result) {
    case Comparison::Result::Equal: return "equal";
    case Comparison::Result::Differs: return "differs";
    case Comparison::Result::Aborted: return "aborted";
    case Comparison::Result::NoAnswer: return "no answer";
    default: return "skipped";
    }
}

// A number as a number, a string as its text (an OCTET_STRING as its hexadecimal bytes in the
// style of `written`).
nlohmann::json valueJson(const veldris::DcfValue& value, const veldris::DataTypeInfo& type, const std::string& written)
{
    if (value.kind == veldris::DataTypeInfo::Kind::Number)
        return value.number;
    return veldris::valueTextLike(written, value, type, std::nullopt);
}

nlohmann::json readingJson(const Reading& entry, const veldris::DCFSection& section)
{
    const std::string* written = section.value("ParameterValue");
    nlohmann::json json = {{"headerLine", entry.headerLine},
                           {"index", entry.index},
                           {"subIndex", entry.subIndex},
                           {"result", readName(entry.result)},
                           {"value", nullptr},
                           {"abortCode", nullptr},
                           {"reason", nullptr},
                           {"error", entry.failed}};
    if (entry.value)
        json["value"] = valueJson(*entry.value, entry.type, written ? *written : "");
    if (entry.abortCode)
        json["abortCode"] = *entry.abortCode;
    if (!entry.reason.empty())
        json["reason"] = entry.reason;
    return json;
}

nlohmann::json comparisonJson(const Comparison& entry)
{
    const Reading& reading = entry.reading;
    nlohmann::json json = {{"headerLine", reading.headerLine},
                           {"index", reading.index},
                           {"subIndex", reading.subIndex},
                           {"file", nullptr},
                           {"sensor", nullptr},
                           {"result", compareName(entry.result)},
                           {"abortCode", nullptr},
                           {"reason", nullptr}};
    if (entry.file)
        json["file"] = valueJson(*entry.file, reading.type, entry.fileText);
    if (reading.value)
        json["sensor"] = valueJson(*reading.value, reading.type, entry.fileText);
    if (reading.abortCode)
        json["abortCode"] = *reading.abortCode;
    if (!reading.reason.empty())
        json["reason"] = reading.reason;
    return json;
}

// The template as the tool read it, with its sections; false (said) when it is no DCF or its
// values refuse it as they refuse `dcf write`.
bool loadChecked(const std::string& path, std::uint8_t node, std::string& bytes, veldris::DCFFile& file, const char* verb)
{
    const veldris::FileContent content(path);
    if (!content.ok()) {
        std::cerr << "veldris-cli: " << path << ": " << content.problem() << '\n';
        return false;
    }
    bytes.assign(content.bytes());
    if (!file.loadText(bytes, path)) {
        std::cerr << "veldris-cli: " << path << ": no section header (a line beginning with \"[\") found\n";
        return false;
    }
    const std::vector<std::string> bad = veldris::badValues(file.sections(), node);
    for (const std::string& line : bad)
        std::cerr << "veldris-cli: " << path << ": " << line << '\n';
    if (!bad.empty())
        std::cerr << "veldris-cli: " << path << " was not " << verb << ": nothing was asked\n";
    return bad.empty();
}

// "the readout is incomplete: node 5 could not be asked for 0x1017:00: ..." on standard error.
void reportIncomplete(const veldris::DcfReadout& readout)
{
    if (!readout.refused.empty())
        std::cerr << "veldris-cli: the readout is incomplete: " << readout.refused << '\n';
    else if (readout.stopped)
        std::cerr << "veldris-cli: the readout is incomplete: stopped\n";
}

} // namespace

int DcfCommand::read(Session& session)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, "dcf read"))
        return *missing;
    const auto node = static_cast<std::uint8_t>(options.node);
    std::string bytes;
    veldris::DCFFile file;
    if (!loadChecked(path, node, bytes, file, "read"))
        return exitUsage;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "dcf read"))
        return *failed;
    veldris::DcfReadout readout;
    std::vector<std::string> lines;
    {
        TerminalProgress progress(stdout, TerminalProgress::terminalOrNull(), options.json);
        readout = veldris::readDcfValues(client, node, file.sections(), progress);
        lines = progress.collectedLines();
    }
    // An incomplete readout leaves no file: it would hold a part of the configuration that a
    // later dcf write could not tell from the whole.
    std::string error;
    const bool saved =
        readout.complete()
        && veldris::writeFileAtomically(
            output, veldris::editParameterValues(bytes, file.sections(), veldris::editsOf(readout, file.sections(), node)),
            &error);
    if (options.json) {
        nlohmann::json sections = nlohmann::json::array();
        for (std::size_t i = 0; i < readout.entries.size(); ++i)
            sections.push_back(readingJson(readout.entries[i], file.sections()[i]));
        printJson({{"path", output}, {"sections", sections}, {"lines", lines}, {"saved", saved}});
    }
    std::size_t unread = 0;
    std::size_t values = 0;
    for (const Reading& entry : readout.entries) {
        values += entry.result == Reading::Result::Read && !entry.failed;
        if (!entry.failed)
            continue;
        ++unread;
        if (!options.json)
            std::cout << "not read: section at line " << entry.headerLine << " (" << entry.object().text()
                      << "): " << entry.reason << '\n';
    }
    if (!readout.complete()) {
        reportIncomplete(readout);
        std::cerr << "veldris-cli: " << output << " was not written\n";
        return exitRefused;
    }
    if (!saved) {
        std::cerr << "veldris-cli: " << output << " could not be written: " << error << '\n';
        return exitRefused;
    }
    if (!options.json)
        std::cout << "wrote " << output << ": " << values << " values read, " << readout.entries.size() - values - unread
                  << " sections as in the template, " << unread << " without ParameterValue\n";
    if (unread > 0)
        std::cerr << "veldris-cli: " << unread << " entries could not be read; " << output
                  << " has no ParameterValue for them\n";
    return unread == 0 ? exitDone : exitRefused;
}

int DcfCommand::diff(Session& session)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, "dcf diff"))
        return *missing;
    const auto node = static_cast<std::uint8_t>(options.node);
    std::string bytes;
    veldris::DCFFile file;
    if (!loadChecked(path, node, bytes, file, "compared"))
        return exitUsage;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "dcf diff"))
        return *failed;
    veldris::DcfReadout readout;
    {
        TerminalProgress progress(stdout, TerminalProgress::terminalOrNull(), true);
        readout = veldris::readDcfValues(client, node, file.sections(), progress);
    }
    const veldris::DcfComparison comparison = veldris::compareWithSensor(readout, file.sections(), node);
    if (options.json) {
        nlohmann::json sections = nlohmann::json::array();
        for (const Comparison& entry : comparison.entries)
            sections.push_back(comparisonJson(entry));
        printJson({{"sections", sections}, {"differences", comparison.differences}, {"complete", readout.complete()}});
    } else {
        for (const Comparison& entry : comparison.entries)
            if (entry.counts())
                std::cout << veldris::differenceLine(entry) << '\n';
    }
    reportIncomplete(readout);
    return comparison.allEqual() && readout.complete() ? exitDone : exitRefused;
}
