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
#include <variant>

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

// What a readout of a DCF's sections gave, with the file it came from.
struct FileReadout {
    std::string bytes;
    veldris::DCFFile file;
    veldris::DcfReadout readout;
    std::vector<std::string> lines;
};

// Loads `path`, refuses it when a value does not fit, and reads the sensor's value of every
// section that dcf write would send; the exit status instead when usage, file or connection
// failed.
std::variant<FileReadout, int> readSensorValues(Session& session, const std::string& path, const std::string& command,
                                                const char* verb, bool quiet)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, command.c_str()))
        return *missing;
    const auto node = static_cast<std::uint8_t>(options.node);
    FileReadout result;
    if (!loadChecked(path, node, result.bytes, result.file, verb))
        return exitUsage;
    if (const auto failed = connectFor(session, command.c_str()))
        return *failed;
    TerminalProgress progress(stdout, TerminalProgress::terminalOrNull(), quiet);
    result.readout = veldris::readDcfValues(session.client(), node, result.file.sections(), progress);
    result.lines = progress.collectedLines();
    return result;
}

// The entries that could not be read, one line each without --json; how many there are.
std::size_t reportUnread(const GlobalOptions& options, const veldris::DcfReadout& readout)
{
    std::size_t unread = 0;
    for (const Reading& entry : readout.entries) {
        if (!entry.failed)
            continue;
        ++unread;
        if (!options.json)
            std::cout << "not read: section at line " << entry.headerLine << " (" << entry.object().text()
                      << "): " << entry.reason << '\n';
    }
    return unread;
}

} // namespace

int DcfCommand::read(Session& session)
{
    const GlobalOptions& options = session.options;
    auto done = readSensorValues(session, path, "dcf read", "read", options.json);
    if (const int* status = std::get_if<int>(&done))
        return *status;
    const FileReadout& read = std::get<FileReadout>(done);
    const veldris::DcfReadout& readout = read.readout;
    const std::vector<veldris::DCFSection>& sections = read.file.sections();
    const auto node = static_cast<std::uint8_t>(options.node);
    // An incomplete readout leaves no file: it would hold a part of the configuration that a
    // later dcf write could not tell from the whole.
    std::string error;
    const bool saved =
        readout.complete()
        && veldris::writeFileAtomically(
            output, veldris::editParameterValues(read.bytes, sections, veldris::editsOf(readout, sections, node)), &error);
    if (options.json) {
        nlohmann::json entries = nlohmann::json::array();
        for (std::size_t i = 0; i < readout.entries.size(); ++i)
            entries.push_back(readingJson(readout.entries[i], sections[i]));
        printJson({{"path", output}, {"sections", entries}, {"lines", read.lines}, {"saved", saved}});
    }
    const std::size_t unread = reportUnread(options, readout);
    if (!readout.complete()) {
        reportIncomplete(readout);
        std::cerr << "veldris-cli: " << output << " was not written\n";
        return exitRefused;
    }
    if (!saved) {
        std::cerr << "veldris-cli: " << output << " could not be written: " << error << '\n';
        return exitRefused;
    }
    std::size_t values = 0;
    for (const Reading& entry : readout.entries)
        values += entry.result == Reading::Result::Read && !entry.failed;
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
    auto done = readSensorValues(session, path, "dcf diff", "compared", true);
    if (const int* status = std::get_if<int>(&done))
        return *status;
    const FileReadout& read = std::get<FileReadout>(done);
    const veldris::DcfReadout& readout = read.readout;
    const auto node = static_cast<std::uint8_t>(options.node);
    const veldris::DCFFile& file = read.file;
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
