#include "commands/DiagnoseCommand.h"

#include "BusSession.h"
#include "ExitStatus.h"
#include "JsonOutput.h"

#include "canopen/CanOpenClient.h"
#include "common/MessageSlots.h"
#include "common/Translations.h"
#include "sensor/Diagnosis.h"
#include "sensor/DiagnosisReportFile.h"
#include "sensor/SensorInfo.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace {

// The lines as the Diagnose page shows them, on standard output as they come (or kept for the
// JSON document); the page's values are in the measurements, its boxes on standard error.
class PrintedReport : public veldris::DiagnosisReport {
public:
    PrintedReport(veldris::CanOpenClient& bus, const veldris::Translations& texts, bool collect)
        : client(bus), translations(texts), json(collect)
    {
    }

    void line(const std::string& text, bool withTime) override
    {
        add((withTime ? veldris::timePrefix(std::time(nullptr)) : std::string()) + text);
    }
    void result(const veldris::DiagnosisResult& result) override { add(veldris::resultLine(result, std::time(nullptr))); }
    void show(veldris::DiagnosisField, const std::string&) override {}
    void message(veldris::Message slot) override
    {
        std::cerr << "veldris-cli: " << veldris::message(slot, translations) << '\n';
    }
    bool wait(std::chrono::milliseconds duration) override { return client.pause(duration); }

    std::vector<std::string> lines;

private:
    void add(const std::string& line)
    {
        lines.push_back(line);
        if (!json)
            std::cout << line << std::endl;
    }

    veldris::CanOpenClient& client;
    const veldris::Translations& translations;
    bool json;
};

nlohmann::json measurementJson(const veldris::StepMeasurement& step)
{
    return {{"expectedMs", step.expectedMs},
            {"averageMs", step.timing.averageIntervalMs},
            {"minMs", step.timing.minIntervalMs},
            {"maxMs", step.timing.maxIntervalMs},
            {"frames", step.timing.frames}};
}

} // namespace

CLI::App* DiagnoseCommand::add(CLI::App& app)
{
    CLI::App* diagnose = app.add_subcommand("diagnose", "the timing diagnosis of the sensor at --node (PDO, heartbeat, SRDO)");
    diagnose->add_option("--report", reportPath, "write the report to this file");
    return diagnose;
}

int DiagnoseCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    veldris::CanOpenClient& client = session.client();
    if (const auto failed = connectFor(session, "diagnose"))
        return *failed;
    PrintedReport report(client, session.translations, options.json);
    const veldris::DiagnosisOutcome outcome = veldris::Diagnosis(client, session.sensor, session.translations, report).run();
    std::string error;
    for (const veldris::SdoResult& read : outcome.failedReads)
        reportFailure(options, read);
    const bool saved = reportPath.empty() || veldris::writeReport(reportPath, report.lines, !outcome.results.empty(), &error);
    if (options.json) {
        nlohmann::json results = nlohmann::json::array();
        for (const veldris::DiagnosisResult& result : outcome.results)
            results.push_back({{"section", result.section}, {"text", result.text}, {"isError", result.isError}});
        nlohmann::json measurements = nlohmann::json::object();
        for (const auto& [name, step] :
             {std::pair{"pdo", &outcome.pdo}, std::pair{"heartbeat", &outcome.heartbeat}, std::pair{"srdo", &outcome.srdo}})
            if (*step)
                measurements[name] = measurementJson(**step);
        printJson(nlohmann::json{{"lines", report.lines},
                                 {"results", results},
                                 {"verdict", outcome.passed ? "PASSED" : "FAILED"},
                                 {"measurements", measurements}});
    }
    if (!saved)
        std::cerr << "veldris-cli: the report could not be saved: " << error << '\n';
    return outcome.passed && saved ? exitDone : exitRefused;
}
