#include "commands/ErrorLogCommand.h"

#include "ExitStatus.h"

#include "errorlog/EntryDecoder.h"
#include "errorlog/ErrorLog.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

using nlohmann::json;

json descriptorJson(const veldris::ErrorLogDescriptor& d)
{
    return {{"version", d.version},       {"uid", d.uid},           {"firmwareVersion", d.firmwareVersion},
            {"itemNumber", d.itemNumber}, {"serialNumber", d.serialNumber}, {"pagesize", d.pagesize},
            {"pagecnt", d.pagecnt},       {"pageheader", d.pageheader}, {"uidListed", d.uidListed},
            {"errorstruct", d.errorstruct}, {"list", d.list},       {"ebit", d.ebit},
            {"ibit", d.ibit},             {"log", d.log}};
}

// The four columns exactly as the Error Log page shows them.
std::vector<std::string> columnsOf(const veldris::ErrorLogRow& row)
{
    return {std::to_string(row.timestamp), veldris::errorNumberText(row.errorBits), row.text, row.valueText};
}

void printJson(const veldris::ErrorLog& log, const std::vector<veldris::ErrorLogRow>& rows)
{
    json list = json::array();
    for (const veldris::ErrorLogRow& row : rows)
        list.push_back({{"timestamp", row.timestamp}, {"errorNumber", row.errorNumber}, {"errorBits", row.errorBits},
                        {"text", row.text},           {"valueText", row.valueText},     {"value", row.value},
                        {"kind", row.kind},           {"decimals", row.decimals},       {"columns", columnsOf(row)}});
    std::cout << json{{"descriptor", descriptorJson(log.descriptor())}, {"rows", list}}.dump(-1, ' ', false,
                                                                                              json::error_handler_t::replace)
              << '\n';
}

void printText(const veldris::ErrorLog& log, const std::vector<veldris::ErrorLogRow>& rows)
{
    const veldris::ErrorLogDescriptor& d = log.descriptor();
    std::cout << "UID " << d.uid << ", firmware " << d.firmwareVersion << ", item " << d.itemNumber << ", serial "
              << d.serialNumber << "\n" << d.pagecnt + 0 << " pages of " << d.pagesize << " bytes, entries "
              << d.errorstruct << ", header " << d.pageheader << ", header version " << d.version << "\n";
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
    errorlog->add_subcommand("show", "the descriptor and the rows of FILE")->add_option("file", path, "error log file")->required();
    return errorlog;
}

int ErrorLogCommand::run(const GlobalOptions& options)
{
    veldris::ErrorLog log(true);
    std::int32_t status = 0;
    const std::vector<veldris::ErrorLogRow> rows = log.load(path, status);
    // A damaged file's rows are still shown: a support engineer wants to see what it holds.
    if (status == 0 || !rows.empty() || log.readHeader()) {
        if (options.json)
            printJson(log, rows);
        else
            printText(log, rows);
    }
    if (status == 0)
        return exitDone;
    std::cerr << "veldris-cli: " << path << ": " << log.problem() << '\n';
    return exitUsage;
}
