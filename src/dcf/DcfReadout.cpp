#include "dcf/DcfReadout.h"

#include "canopen/AbortCodes.h"
#include "canopen/CanOpenClient.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoTransfer.h"
#include "common/Progress.h"
#include "dcf/DownloadFrame.h"
#include "dcf/ValueText.h"

#include <algorithm>

namespace veldris {

namespace {

constexpr std::uint32_t uploadTimeoutMs = 100;
constexpr std::size_t longestString = 4096; // [bytes] more than any configuration string holds

using Result = EntryReading::Result;

std::string lineOf(const EntryReading& entry)
{
    return "Section at line " + std::to_string(entry.headerLine);
}

void takeAnswer(EntryReading& entry, const SdoResult& answer, const DCFSection& section, std::uint8_t node, Progress& progress)
{
    if (answer.uploaded()) {
        entry.result = Result::Read;
        entry.value = sensorValue(entry.type, answer);
        const std::string* written = section.value("ParameterValue");
        progress.addLine(lineOf(entry)
                         + " was read: " + valueTextLike(written ? *written : "", *entry.value, entry.type, node));
        if (entry.type.kind == DataTypeInfo::Kind::VisibleString && !fitsOnALine(entry.value->bytes)) {
            entry.failed = true;
            entry.reason = "the sensor's text holds a control character or a blank at an end, which a DCF line cannot keep";
            progress.addLine(lineOf(entry) + ": " + entry.reason);
        }
        return;
    }
    entry.failed = true;
    entry.reason = answer.failure();
    if (answer.answered()) {
        entry.result = Result::Aborted;
        if (answer.aborted())
            entry.abortCode = answer.abortCode;
        progress.addLine(lineOf(entry) + " returned an error");
        progress.addLine(lineOf(entry) + ": "
                         + (answer.aborted() ? "SDO abort " + abortDescription(answer.abortCode) : entry.reason));
        return;
    }
    entry.result = Result::NoAnswer;
    progress.addLine(lineOf(entry) + " got no answer");
}

} // namespace

bool DcfReadout::allRead() const
{
    return complete() && std::none_of(entries.begin(), entries.end(), [](const EntryReading& e) { return e.failed; });
}

DcfReadout readDcfValues(CanOpenClient& client, std::uint8_t node, const std::vector<DCFSection>& sections, Progress& progress)
{
    DcfReadout readout;
    progress.setProgress(0);
    readout.badValues = badValues(sections, node);
    for (const std::string& line : readout.badValues)
        progress.addLine("Nothing was read: " + line);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const DCFSection& section = sections[i];
        const DownloadPlan plan = planDownload(section, node);
        EntryReading entry;
        entry.headerLine = section.headerLine;
        entry.index = section.index;
        entry.objectIndex = SdoObject::of(plan.frame).index;
        entry.subIndex = plan.frame.data[3];
        entry.type = plan.type;
        entry.reason = plan.reason;
        if (plan.action == DownloadPlan::Action::Skip) {
            if (readout.complete())
                progress.addLine(lineOf(entry) + " skipped: " + plan.reason);
        } else if (!readout.complete()) {
            // Not asked: no value of the sensor, and nothing the file may keep as its value.
            entry.result = Result::NoAnswer;
            entry.asked = false;
            entry.failed = true;
            entry.reason = "not asked: the readout ended before it";
        } else if (plan.action != DownloadPlan::Action::Send) {
            entry.failed = true;
            progress.addLine(lineOf(entry) + " not read: " + plan.reason);
        } else {
            SdoResult answer = sdoUpload(client, node, SdoObject::of(plan.frame), uploadTimeoutMs, longestString);
            if (plan.type.isNumber())
                answer.expectSize(static_cast<std::uint8_t>(plan.type.bytes));
            if (answer.kind == SdoResult::Kind::Stopped || client.stopRequested()) {
                readout.stopped = true;
                entry.result = Result::NoAnswer;
                entry.asked = false;
                entry.failed = true;
                entry.reason = "not asked: the readout ended before it";
            } else if (answer.notAsked()) {
                readout.refused = "node " + std::to_string(node) + " " + answer.failure();
                entry.result = Result::NoAnswer;
                entry.asked = false;
                entry.failed = true;
                entry.reason = answer.failure();
                progress.addLine(lineOf(entry) + " was not asked: " + entry.reason);
            } else {
                takeAnswer(entry, answer, section, node, progress);
            }
        }
        readout.entries.push_back(std::move(entry));
        progress.setProgress(static_cast<std::uint32_t>((i + 1) * 100 / sections.size()));
    }
    return readout;
}

} // namespace veldris
