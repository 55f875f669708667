#include "commands/ErrorLogCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "TerminalProgress.h"

#include "canopen/CanOpenClient.h"
#include "common/DataDirectory.h"
#include "common/MessageSlots.h"
#include "common/Translations.h"
#include "errorlog/DescriptionFile.h"
#include "errorlog/ErrorLogReadout.h"
#include "sensor/SensorInfo.h"

#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorLog.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

using nlohmann::json;

json descriptorJson(const veldris::ErrorLogDescriptor& d)
{
    return {{"version", d.version},
            {"uid", d.uid},
            {"firmwareVersion", d.firmwareVersion},
            {"itemNumber", d.itemNumber},
            {"serialNumber", d.serialNumber},
            {"pagesize", d.pagesize},
            {"pagecnt", d.pagecnt},
            {"pageheader", d.pageheader},
            {"uidListed", d.uidListed},
            {"errorstruct", d.errorstruct},
            {"list", d.list},
            {"ebit", d.ebit},
            {"ibit", d.ibit},
            {"log", d.log}};
}

// The four columns exactly as the Error Log page shows them.
std::vector<std::string> columnsOf(const veldris::ErrorLogRow& row)
{
    return {std::to_string(row.timestamp), veldris::errorNumberText(row.errorBits), row.text, row.valueText};
}

void printLogJson(const veldris::ErrorLog& log, const std::vector<veldris::ErrorLogRow>& rows, json extra = json::object())
{
    json list = json::array();
    for (const veldris::ErrorLogRow& row : rows)
        list.push_back({{"timestamp", row.timestamp},
                        {"errorNumber", row.errorNumber},
                        {"errorBits", row.errorBits},
                        {"text", row.text},
                        {"valueText", row.valueText},
                        {"value", row.value},
                        {"kind", row.kind},
                        {"decimals", row.decimals},
                        {"columns", columnsOf(row)}});
    json document{{"descriptor", descriptorJson(log.descriptor())}, {"rows", list}};
    document.update(extra);
    printJson(document);
}

void printText(const veldris::ErrorLog& log, const std::vector<veldris::ErrorLogRow>& rows)
{
    const veldris::ErrorLogDescriptor& d = log.descriptor();
    std::cout << "UID " << d.uid << ", firmware " << d.firmwareVersion << ", item " << d.itemNumber << ", serial "
              << d.serialNumber << "\n"
              << d.pagecnt + 0 << " pages of " << d.pagesize << " bytes, entries " << d.errorstruct << ", header "
              << d.pageheader << ", header version " << d.version << "\n";
    std::cout << "Timestamp | Error Number | Error | Value\n";
    for (const veldris::ErrorLogRow& row : rows) {
        const std::vector<std::string> columns = columnsOf(row);
        std::cout << columns[0] << " | " << columns[1] << " | " << columns[2] << " | " << columns[3] << '\n';
    }
}

} // namespace

CLI::App* ErrorLogCommand::add(CLI::App& app)
{
    CLI::App* errorlog = app.add_subcommand("errorlog", "error logs (.kel)");
    errorlog->require_subcommand(1);
    errorlog->add_subcommand("show", "the descriptor and the rows of FILE")
        ->add_option("file", path, "error log file")
        ->required();
    readCommand = errorlog->add_subcommand("read", "read the error log of the sensor at --node and list its rows");
    readCommand->add_option("--output", output, "save the error log to this file (.kel)");
    return errorlog;
}

int ErrorLogCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    return readCommand->parsed() ? read(session) : show(options);
}

// The exit status of a readout that read nothing: a sensor model the description file does
// not know is the sensor's matter (1); a description file that is missing or broken, the
// installation's (2).
int ErrorLogCommand::read(Session& session)
{
    const GlobalOptions& options = session.options;
    if (const auto missing = requireNode(options, "errorlog read"))
        return *missing;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "errorlog read"))
        return *failed;
    veldris::ErrorLogReadout readout;
    {
        TerminalProgress progress(stderr, TerminalProgress::terminalOrNull(), false);
        readout = veldris::readErrorLog(client, session.sensor, session.data.path(veldris::descriptionFileName), progress);
    }
    if (readout.stopped)
        return exitRefused;
    if (!readout.refusal.empty() || readout.status != veldris::ErrorLogStatus::Ok) {
        const std::string text = !readout.refusal.empty() ? session.translations.translate(readout.refusal)
                               : readout.status == veldris::ErrorLogStatus::ConfigMissing
                                   ? veldris::message(veldris::Message::ReadConfigFilesMissing, session.translations)
                               : readout.status == veldris::ErrorLogStatus::Missing
                                   ? veldris::message(veldris::Message::ReadErrorlogMissing, session.translations)
                                   : veldris::message(veldris::Message::ReadErrorlogNotValid, session.translations);
        std::cerr << "veldris-cli: " << text << (readout.problem.empty() ? "" : " (" + readout.problem + ")") << '\n';
        return readout.status == veldris::ErrorLogStatus::Missing || !readout.refusal.empty() ? exitRefused : exitUsage;
    }
    veldris::ErrorLog log(true);
    log.buildImage(readout.descriptor, readout.memory);
    const std::vector<veldris::ErrorLogRow> rows = log.rows();
    if (options.json)
        printLogJson(log, rows,
                     {{"status", veldris::statusNumber(readout.status)},
                      {"unreadWords", readout.unreadWords},
                      {"complete", readout.complete()}});
    else
        printText(log, rows);
    if (readout.unreadWords > 0)
        std::cerr << "veldris-cli: " << readout.unreadWords
                  << " words of the error log could not be read; they are shown as erased memory (0xFF)\n";
    // What was read is still listed and saved: the part before the sensor stopped is its own.
    std::string error;
    if (!output.empty() && !log.save(output, &error)) {
        std::cerr << "veldris-cli: the error log could not be saved: " << error << '\n';
        return exitRefused;
    }
    if (!readout.complete()) {
        std::cerr << "veldris-cli: the error log is incomplete: " << readout.incompleteReason() << '\n';
        return exitRefused;
    }
    // Words shown as erased memory are not what the sensor holds: the log is listed, not done.
    return readout.unreadWords > 0 ? exitRefused : exitDone;
}

int ErrorLogCommand::show(const GlobalOptions& options)
{
    veldris::ErrorLog log(true);
    veldris::ErrorLogStatus status = veldris::ErrorLogStatus::Ok;
    const std::vector<veldris::ErrorLogRow> rows = log.load(path, status);
    // A damaged file's rows are still shown: a support engineer wants to see what it holds.
    if (status == veldris::ErrorLogStatus::Ok || !rows.empty() || log.readHeader()) {
        if (options.json)
            printLogJson(log, rows);
        else
            printText(log, rows);
    }
    if (status == veldris::ErrorLogStatus::Ok)
        return exitDone;
    std::cerr << "veldris-cli: " << path << ": " << log.problem() << '\n';
    return exitUsage;
}
