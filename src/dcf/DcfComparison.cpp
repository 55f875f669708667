#include "dcf/DcfComparison.h"

#include "dcf/DownloadFrame.h"
#include "dcf/ValueText.h"

#include <cstdio>

namespace veldris {

namespace {

using Result = EntryComparison::Result;

std::string shown(const DcfValue& value, const EntryComparison& entry)
{
    const std::string text = valueTextLike(entry.fileText, value, entry.reading.type, std::nullopt);
    return value.kind == DataTypeInfo::Kind::VisibleString ? "\"" + text + "\"" : text;
}

Result resultOf(const EntryComparison& entry)
{
    switch (entry.reading.result) {
    case EntryReading::Result::Read:
        return entry.reading.value && entry.file && *entry.reading.value == *entry.file ? Result::Equal : Result::Differs;
    case EntryReading::Result::Aborted: return Result::Aborted;
    case EntryReading::Result::NoAnswer: return Result::NoAnswer;
    default: return Result::Skipped;
    }
}

} // namespace

DcfComparison compareWithSensor(const DcfReadout& readout, const std::vector<DCFSection>& sections, std::uint8_t node)
{
    DcfComparison comparison;
    for (std::size_t i = 0; i < readout.entries.size() && i < sections.size(); ++i) {
        EntryComparison entry;
        entry.reading = readout.entries[i];
        const DownloadPlan plan = planDownload(sections[i], node);
        if (plan.action == DownloadPlan::Action::Send) {
            DcfValue file;
            file.kind = plan.type.kind;
            if (plan.type.isNumber())
                file.number = plan.type.valueOfBits(plan.frame.value());
            else
                file.bytes = plan.bytes;
            entry.file = file;
        }
        if (const std::string* written = sections[i].value("ParameterValue")) {
            entry.fileText = *written;
            if (!entry.fileText.empty() && entry.fileText.back() == '\r')
                entry.fileText.pop_back();
            entry.fileText = trimBlanks(entry.fileText);
        }
        entry.result = resultOf(entry);
        comparison.differences += entry.counts();
        comparison.entries.push_back(std::move(entry));
    }
    return comparison;
}

std::string differenceLine(const EntryComparison& entry)
{
    const std::string object = entry.reading.object().text();
    const std::string file = entry.file ? "  file " + shown(*entry.file, entry) : "";
    switch (entry.result) {
    case Result::Differs: return object + "  sensor " + shown(*entry.reading.value, entry) + file;
    case Result::Aborted: {
        char code[16] = "";
        if (entry.reading.abortCode)
            std::snprintf(code, sizeof code, " 0x%08X", *entry.reading.abortCode);
        return object + "  sensor aborted" + code + file;
    }
    case Result::NoAnswer: return object + (entry.reading.asked ? "  sensor no answer" : "  sensor not asked") + file;
    default: return object + "  not compared: " + entry.reading.reason;
    }
}

} // namespace veldris
