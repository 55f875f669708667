#include "dcf/DCFUpload.h"

#include "canopen/AbortCodes.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoProtocol.h"
#include "canopen/SdoTransfer.h"
#include "common/Progress.h"
#include "dcf/DownloadFrame.h"
#include "sensor/SrdoChecksum.h"

#include <chrono>
#include <cstdio>

namespace veldris {

namespace {

constexpr std::uint32_t downloadTimeoutMs = 30;
constexpr std::uint32_t storeTimeoutMs = 100;
constexpr auto sectionPace = std::chrono::milliseconds(200);

std::string lineOf(const SectionReport& report)
{
    return "Section at line " + std::to_string(report.headerLine);
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The value bytes a download carries, by its command byte.
std::uint32_t valueMask(std::uint8_t command)
{
    switch (command) {
    case sdo::download1: return 0xFF;
    case sdo::download2: return 0xFFFF;
    case sdo::download3: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
    }
}

} // namespace

DCFUpload::DCFUpload(CanOpenClient& bus, SensorInfo connected, std::vector<DCFSection> fileSections, bool readBack)
    : client(bus), sensor(std::move(connected)), sections(std::move(fileSections)), verify(readBack)
{
}

DCFUploadResult DCFUpload::run(Progress& progress)
{
    node = sensor.node();
    DCFUploadResult result;
    progress.setProgress(0);
    result.badValues = badValues(sections, node);
    if (!result.badValues.empty()) {
        for (const std::string& line : result.badValues)
            progress.addLine("Nothing was sent: " + line);
        return result;
    }
    bool success = true;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        result.sections.push_back(writeSection(sections[i], progress, success));
        if (client.stopRequested()) {
            result.stopped = true;
            break;
        }
        progress.setProgress(static_cast<std::uint32_t>((i + 1) * 99 / sections.size()));
    }
    result.success = success;
    finish(result, progress);
    return result;
}

SectionReport DCFUpload::writeSection(const DCFSection& section, Progress& progress, bool& success)
{
    const DownloadPlan plan = planDownload(section, node);
    SectionReport report;
    report.headerLine = section.headerLine;
    report.index = section.index;
    report.frame = plan.frame;
    report.reason = plan.reason;
    if (plan.action == DownloadPlan::Action::Skip) {
        report.result = SectionReport::Result::Skipped;
        progress.addLine(lineOf(report) + " skipped: " + plan.reason);
        return report;
    }
    if (plan.action != DownloadPlan::Action::Send) {
        report.result = SectionReport::Result::Refused;
        progress.addLine(lineOf(report) + " not sent: " + plan.reason);
        success = false;
        return report;
    }
    // A string goes out whole, segmented above four bytes; a number as its one frame.
    const SdoResult answer = plan.isString()
                               ? sdoDownload(client, node, SdoObject::of(plan.frame), plan.bytes, downloadTimeoutMs)
                               : sdoExchange(client, plan.frame, downloadTimeoutMs);
    if (answer.kind == SdoResult::Kind::Stopped) {
        report.result = SectionReport::Result::NoAnswer;
        return report;
    }
    if (answer.confirmed()) {
        report.result = SectionReport::Result::Sent;
        progress.addLine(lineOf(report) + " was sent successfully");
        if (verify)
            verifySection(report, plan, progress);
        success = success && report.verified.value_or(true);
    } else if (answer.answered()) {
        // An abort, or an answer no expedited download gets: the sensor did not take the value.
        report.result = SectionReport::Result::Aborted;
        report.abortCode = answer.abortCode;
        report.reason = answer.aborted()              ? abortCodeText(answer.abortCode)
                      : !answer.protocolFault.empty() ? answer.protocolFault
                                                      : "answer " + hex(answer.command);
        progress.addLine(lineOf(report) + " returned an error");
        progress.addLine(
            lineOf(report) + ": "
            + (answer.aborted() ? "SDO abort " + abortDescription(answer.abortCode) : "unexpected " + report.reason));
        success = false;
    } else if (answer.kind == SdoResult::Kind::NotSent) {
        // Bus off or an adapter gone: the sensor never saw the value, and the adapter says why.
        report.result = SectionReport::Result::NoAnswer;
        report.reason = answer.failure();
        progress.addLine(lineOf(report) + " was not sent: " + report.reason);
        success = false;
    } else {
        report.result = SectionReport::Result::NoAnswer;
        progress.addLine(lineOf(report) + " got no answer");
        success = false;
    }
    client.pause(sectionPace);
    return report;
}

// Reads the object back and compares the bytes the download carried.
void DCFUpload::verifySection(SectionReport& report, const DownloadPlan& plan, Progress& progress)
{
    if (plan.isString()) {
        const SdoResult answer = sdoUpload(client, node, SdoObject::of(plan.frame), downloadTimeoutMs);
        report.verified = answer.uploaded() && answer.data == plan.bytes;
        if (!*report.verified) {
            report.reason = answer.uploaded() ? "read back other bytes" : "could not be read back";
            progress.addLine(lineOf(report) + " " + report.reason);
        }
        return;
    }
    const CanFrame& written = report.frame;
    const SdoObject object = SdoObject::of(written);
    const CanFrame read = requests::sdoFrame(node, sdo::upload, object.index, object.subIndex);
    const SdoResult answer = sdoExchange(client, read, downloadTimeoutMs);
    const std::uint32_t mask = valueMask(written.data[0]);
    const std::uint32_t expected = written.value() & mask;
    report.verified = answer.uploaded() && (answer.value & mask) == expected;
    if (*report.verified)
        return;
    report.reason =
        answer.uploaded() ? "read back " + hex(answer.value & mask) + " instead of " + hex(expected) : "could not be read back";
    progress.addLine(lineOf(report) + " " + report.reason);
}

// The store, the SRDO checksum of a safety sensor and the reset. A stop ends it at once (no
// further frame may go out) with a line that says what the sensor now holds.
void DCFUpload::finish(DCFUploadResult& result, Progress& progress)
{
    if (!result.stopped && result.success) {
        const SdoResult store = sdoExchange(client, requests::storeParameters(node), storeTimeoutMs);
        result.stored = store.confirmed();
        // A silence, or a stop while the answer was awaited, leaves it open whether the sensor
        // stored: saying "nothing stored" then could be false.
        result.storeUnknown = store.kind == SdoResult::Kind::NoAnswer || store.kind == SdoResult::Kind::Stopped;
        result.stopped = client.stopRequested();
        if (!result.stopped)
            progress.addLine(result.stored ? "Saving parameters successful." : "Saving parameters failed.");
        if (!result.stopped && result.storeUnknown)
            progress.addLine("The sensor did not confirm the store: it holds either the new values or its old ones.");
        result.success = result.stored;
    }
    progress.setProgress(result.stored ? 100 : 0);
    // The checksum step stores too: after a failed upload it would keep the values that were
    // taken, so it runs only when the parameters were stored.
    if (!result.stopped && result.stored && sensor.variantCode == 2) {
        // A checksum of a configuration that could not be read whole would mark a wrong one valid.
        const SrdoConfiguration configuration = loadSrdoConfiguration(client, node);
        const bool saved =
            configuration.complete() && writeSrdoChecksum(client, node, computeSrdoChecksum(configuration.values)).confirmed();
        result.stopped = client.stopRequested();
        if (!result.stopped) {
            result.srdoChecksumSaved = saved;
            progress.addLine(saved ? "SRDO checksum re-calculated and saved to device."
                                   : "SRDO checksum could not be saved to device. For further information diagnose device.");
        }
    }
    const bool reset = !result.stopped && nmtResetCommunicationAll(client);
    if (!result.stopped && !client.stopRequested()) {
        // A reset that did not go out (bus off) leaves the sensor with the values it took active.
        progress.addLine(reset ? "Sensor restarted.. please reconnect"
                               : "The sensor could not be reset: it works with the values it took until its next reset.");
        return;
    }
    result.stopped = true;
    result.success = false;
    std::size_t written = 0;
    for (const SectionReport& report : result.sections)
        written += report.result == SectionReport::Result::Sent;
    progress.addLine("Stopped: " + std::to_string(written) + " of " + std::to_string(sections.size()) + " sections written, "
                     + (result.stored         ? "stored, the sensor not reset: it takes them at its next reset."
                        : result.storeUnknown ? "the store was sent but not confirmed: after its next reset the sensor "
                                                "works with the new or its old configuration."
                                              : "nothing stored: after its next reset the sensor works with its stored "
                                                "configuration again."));
}

} // namespace veldris
