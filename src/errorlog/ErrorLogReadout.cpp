#include "errorlog/ErrorLogReadout.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoResult.h"
#include "canopen/SdoProtocol.h"
#include "common/Log.h"
#include "common/Progress.h"
#include "errorlog/DescriptionFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace veldris {

namespace {

constexpr std::uint32_t uploadTimeoutMs = 100;
constexpr auto settleTime = std::chrono::milliseconds(50);
constexpr std::uint16_t memoryIndex = 0x2800;

// The four bytes at `offset` of a block, tried twice; the last exchange's result.
SdoResult readWord(CanOpenClient& client, std::uint8_t node, int block, int offset, std::uint8_t* word)
{
    const CanFrame request = requests::sdoFrame(node, sdo::upload, static_cast<std::uint16_t>(memoryIndex + block),
                                                static_cast<std::uint8_t>(offset));
    SdoResult answer;
    for (int attempt = 0; attempt < 2 && !client.stopRequested(); ++attempt) {
        answer = sdoExchange(client, request, uploadTimeoutMs).expectSize(4);
        if (answer.uploaded()) {
            std::copy(answer.bytes.begin(), answer.bytes.end(), word);
            break;
        }
        if (answer.notAsked())
            break;
    }
    return answer;
}

std::string hexAddress(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", address);
    return text;
}

bool isDecimal(const std::string& text)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && errno == 0 && value >= INT32_MIN && value <= INT32_MAX;
}

} // namespace

VendorPages readVendorPages(CanOpenClient& client, std::uint8_t node, int firstBlock, int endBlock, Progress& progress)
{
    VendorPages pages;
    const std::uint64_t total = endBlock > firstBlock ? static_cast<std::uint64_t>(endBlock - firstBlock) * 256 : 0;
    std::uint32_t silentInRow = 0;
    for (int block = firstBlock; block < endBlock; ++block) {
        for (int offset = 0; offset < 256; offset += 4) {
            std::uint8_t word[4] = {0xFF, 0xFF, 0xFF, 0xFF};
            const SdoResult answer = readWord(client, node, block, offset, word);
            if (client.stopRequested()) {
                pages.stopped = true;
                return pages;
            }
            if (answer.notAsked()) {
                pages.refused = "node " + std::to_string(node) + " " + answer.failure();
                logLine(pages.refused);
                return pages;
            }
            const bool read = answer.uploaded();
            pages.unreadWords += read ? 0 : 1;
            // Only silence counts: a sensor that aborts a word still answers.
            silentInRow = answer.kind == SdoResult::Kind::NoAnswer ? silentInRow + 1 : 0;
            pages.bytes.insert(pages.bytes.end(), word, word + 4);
            if (silentInRow == silentWordLimit) {
                pages.unreadWords -= silentWordLimit;
                pages.bytes.resize(pages.bytes.size() - 4 * silentWordLimit);
                pages.silentFrom = static_cast<std::uint32_t>(firstBlock * 256 + pages.bytes.size());
                logLine("The sensor stopped answering at address " + hexAddress(*pages.silentFrom));
                return pages;
            }
        }
        progress.setTransfer(pages.bytes.size(), total);
        progress.setProgress(static_cast<std::uint32_t>(pages.bytes.size() * 100 / total));
    }
    return pages;
}

std::string ErrorLogReadout::incompleteReason() const
{
    if (!refused.empty())
        return refused;
    if (silentFrom)
        return "the sensor stopped answering at address " + hexAddress(*silentFrom);
    return {};
}

std::string identityProblem(const SensorInfo& sensor)
{
    if (sensor.nodeId.empty() || sensor.uid.empty())
        return "No sensor is connected.";
    if (sensor.uid == "0x00000000")
        return "The sensor does not answer: its UID could not be read.";
    if (!isDecimal(sensor.nodeId) || !isDecimal(sensor.itemNumber) || !isDecimal(sensor.serialNumber))
        return "The identity of the sensor is incomplete: choose it in the node list again.";
    return {};
}

ErrorLogReadout readErrorLog(CanOpenClient& client, const SensorInfo& sensor, const std::string& descriptionPath,
                             Progress& progress)
{
    ErrorLogReadout readout;
    readout.refusal = identityProblem(sensor);
    if (!readout.refusal.empty())
        return readout;
    Description description = loadDescription(descriptionPath, sensor);
    readout.status = description.status;
    readout.problem = description.problem;
    if (description.status != ErrorLogStatus::Ok) {
        logLine(description.problem);
        return readout;
    }
    readout.descriptor = std::move(description.descriptor);
    progress.setProgress(0);
    client.pause(settleTime);
    const auto node = static_cast<std::uint8_t>(std::strtol(sensor.nodeId.c_str(), nullptr, 10));
    VendorPages pages = readVendorPages(client, node, description.blocks.first, description.blocks.end, progress);
    readout.memory = std::move(pages.bytes);
    readout.unreadWords = pages.unreadWords;
    readout.silentFrom = pages.silentFrom;
    readout.refused = std::move(pages.refused);
    readout.stopped = pages.stopped || client.stopRequested();
    if (readout.stopped)
        progress.addLine("Stopped: the error log was read in part and is not shown; the sensor is unchanged.");
    return readout;
}

} // namespace veldris
