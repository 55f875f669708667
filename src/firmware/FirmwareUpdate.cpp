#include "firmware/FirmwareUpdate.h"

#include "can/PCANBasicLibrary.h"
#include "can/CandumpLine.h"
#include "can/StatusText.h"
#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"
#include "common/Log.h"
#include "common/Progress.h"
#include "common/SystemConstants.h"
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <initializer_list>

namespace veldris {

namespace {

using Clock = std::chrono::steady_clock;

// Time-outs of the bootloader's commands [ms], and the pause after the quick ones.
constexpr std::uint32_t quickCommandMs = 5;
constexpr std::uint32_t slowCommandMs = 10000; // erase, bootloader ID
constexpr std::uint32_t dataFrameMs = 15;
constexpr auto commandPause = std::chrono::milliseconds(100);
constexpr std::uint32_t unlockTimeoutMs = 30;
constexpr std::uint32_t bootloaderModeTimeoutMs = 1000;
constexpr std::uint32_t unechoedLimit = 100; // more than this many ends the upload
constexpr int bootloaderBitrateIndex = 3;    // 125 kbit/s, the bootloader's fixed rate
constexpr const char* inBootloaderLine = "the sensor waits in its bootloader: update it again with Force";

CanFrame bootloaderFrame(std::initializer_list<std::uint8_t> bytes)
{
    CanFrame frame;
    frame.identifier = bootloaderIdentifier;
    for (std::uint8_t byte : bytes)
        frame.data[frame.length++] = byte;
    return frame;
}

CanFrame addressFrame(std::uint32_t address)
{
    return bootloaderFrame({'A', 0, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                            static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 24)});
}

// The percentage after the byte at `address` of the range start..end: 100 - t with
// t = (100 / (end - start)) * (end - (address + 1)) in single precision, truncated. A range of
// one byte is done once that byte is.
std::uint32_t percentAfter(std::uint64_t address, std::uint64_t start, std::uint64_t end)
{
    if (end <= start)
        return 100;
    const float step = 100.0f / static_cast<float>(end - start);
    const auto left = static_cast<std::int64_t>(
        step * static_cast<float>(static_cast<std::int64_t>(end) - static_cast<std::int64_t>(address + 1)));
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(100 - left, 0, 100));
}

} // namespace

FirmwareUpdate::FirmwareUpdate(CanOpenClient& bus, SensorInfo connected, bool forced)
    : client(bus), sensor(std::move(connected)), force(forced)
{
}

// The answer of a quick or slow bootloader command: the first frame on 0x7F (an empty frame
// when none came).
CanFrame FirmwareUpdate::command(const CanFrame& frame, std::uint32_t timeoutMs)
{
    const Exchange exchange = client.bootloaderExchange(frame, timeoutMs);
    adapterRefused(exchange, frame);
    return exchange.answer;
}

// 'a': true when the bootloader answers "Y".
bool FirmwareUpdate::setAutoIncrement()
{
    const bool yes = command(bootloaderFrame({'a'}), quickCommandMs).data[2] == 'Y';
    client.pause(commandPause);
    return yes;
}

// A frame the adapter did not take (bus off, adapter gone) is told once per module, with the
// adapter's status: without it the lines would blame the sensor.
bool FirmwareUpdate::adapterRefused(const Exchange& exchange, const CanFrame& frame)
{
    if (exchange.status != ExchangeStatus::WriteRefused)
        return false;
    if (!refusalTold && report)
        report->addLine("the CAN adapter refused the frame " + frameNotation(frame) + ": status "
                        + statusText(exchange.adapterStatus));
    refusalTold = true;
    return true;
}

// The module's last line: "DONE" only when its image is in the sensor.
void FirmwareUpdate::finish(const ModuleUpdateResult& result)
{
    report->addLine(result.outcome == ModuleUpdateResult::Outcome::Updated ? "DONE" : "FAILED");
}

ModuleUpdateResult FirmwareUpdate::update(const FirmwareModule* module, Progress& progress)
{
    ModuleUpdateResult result;
    if (!module || module->type != "hex")
        return result;
    report = &progress;
    refusalTold = false;
    progress.setProgress(0);
    MemoryImage image;
    if (!readImage(*module, image, progress)) {
        result.outcome = ModuleUpdateResult::Outcome::Failed;
        finish(result);
        return result;
    }
    switch (enterBootloader(*module, progress, result)) {
    case Entry::Stopped: return result;
    case Entry::Refused:
        result.outcome = ModuleUpdateResult::Outcome::Refused;
        finish(result);
        return result;
    case Entry::WrongBootloader:
        result.outcome = ModuleUpdateResult::Outcome::Refused;
        break; // the bootloader runs: it is rebooted
    case Entry::Ready:
        // The bootloader runs at 125 kbit/s only: an adapter that does not open there leaves
        // the sensor waiting in it, and every command would be refused by the adapter.
        if (!openBus(client, 0, bootloaderBitrateIndex)) {
            result.outcome = ModuleUpdateResult::Outcome::Failed;
            progress.addLine("the CAN adapter could not be opened at 125 kbit/s (PCAN-Basic library: "
                             + PCANBasicLibrary::configuredName() + "); the sensor waits in its bootloader");
            finish(result);
            return result;
        }
        setAutoIncrement();
        progress.addLine("setting auto increment");
        progress.addLine("erasing memory");
        command(bootloaderFrame({'e'}), slowCommandMs);
        if (refusalTold) {
            // Without auto increment or erase the data would land on unerased flash or at one
            // address, and the bootloader would still echo it.
            result.outcome = ModuleUpdateResult::Outcome::Failed;
        } else {
            progress.addLine("uploading..");
            if (stopped(progress, result, true))
                return result;
            sendImage(image, progress, result);
            if (stopped(progress, result, true))
                return result;
        }
        if (result.outcome == ModuleUpdateResult::Outcome::Failed) {
            // The application is erased or written in part: a restart would run half an image.
            // The bootloader keeps the sensor where a forced update can complete it.
            progress.addLine(inBootloaderLine);
            finish(result);
            return result;
        }
        break;
    }
    progress.addLine("rebooting device");
    const CanFrame rebooted = command(bootloaderFrame({'B'}), quickCommandMs);
    client.pause(commandPause);
    // An image that is in the flash but not started is no update: the sensor still waits in
    // its bootloader (the command did not go out, or the bootloader refused the image: 'N').
    const bool refusedImage = rebooted.identifier == bootloaderIdentifier && rebooted.data[0] == 'B' && rebooted.data[2] == 'N';
    if (result.outcome == ModuleUpdateResult::Outcome::Updated && (refusalTold || refusedImage)) {
        result.outcome = ModuleUpdateResult::Outcome::Failed;
        if (refusedImage)
            progress.addLine("the bootloader did not start the application");
        progress.addLine(inBootloaderLine);
    }
    finish(result);
    return result;
}

// The image is read into an empty MemoryImage, so that no byte of an earlier module or
// update is sent with it, and checked whole before anything is sent.
bool FirmwareUpdate::readImage(const FirmwareModule& module, MemoryImage& image, Progress& progress)
{
    std::string error;
    if (!readIntelHex(std::string(module.image.begin(), module.image.end()), image, error)) {
        progress.addLine("the image of module " + module.name + " cannot be used: " + error);
        return false;
    }
    if (image.empty()) {
        progress.addLine("the image of module " + module.name + " holds no data");
        return false;
    }
    return true;
}

// From the application (or, with force, from a bootloader that already runs) to a bootloader
// that has shown the module's bootloader ID.
FirmwareUpdate::Entry FirmwareUpdate::enterBootloader(const FirmwareModule& module, Progress& progress,
                                                      ModuleUpdateResult& result)
{
    if (force) {
        if (!setAutoIncrement()) {
            if (stopped(progress, result, false))
                return Entry::Stopped;
            progress.addLine("unable to find a connected sensor!");
            return Entry::Refused;
        }
    } else {
        const std::string uid = sensor.uid.size() > 2 ? sensor.uid.substr(2) : std::string();
        if (uid.empty() || module.ui.find(uid) == std::string::npos) {
            progress.addLine("fw file doesn't support connected sensor. ErrorCode 0x554944");
            return Entry::Refused;
        }
        const std::uint8_t node = sensor.node();
        progress.setProgress(0);
        progress.addLine("unlocking device");
        const CanFrame unlock = requests::firmwareUnlock(node);
        adapterRefused(client.exchange(unlock, unlockTimeoutMs), unlock);
        if (stopped(progress, result, false))
            return Entry::Stopped;
        progress.addLine("setting device to bootloader mode");
        const CanFrame mode = requests::bootloaderMode(node, sensor.uidListed);
        adapterRefused(client.exchange(mode, bootloaderModeTimeoutMs), mode);
    }
    if (stopped(progress, result, true))
        return Entry::Stopped;
    const CanFrame answer = command(bootloaderFrame({'S'}), slowCommandMs);
    if (stopped(progress, result, true))
        return Entry::Stopped;
    if (refusalTold)
        return Entry::Refused; // the adapter took nothing: no bootloader could be asked
    if (answer.identifier != bootloaderIdentifier) {
        // Silence is no bootloader ID: the sensor did not take the bootloader mode, or left the bus.
        progress.addLine("no bootloader answered: the sensor did not switch to its bootloader or is no longer on the bus");
        return Entry::Refused;
    }
    if (std::string(answer.data + 2, answer.data + 8) != module.device) {
        progress.addLine("fw file doesn't support connected sensor. ErrorCode 0x424C4944");
        return Entry::WrongBootloader;
    }
    return Entry::Ready;
}

// Set address, then every byte from the lowest to the highest address (gaps as 0xFF) in data
// frames of six, each to be echoed byte for byte. An unechoed frame is not sent again; any of
// them fails the module, and more than 100 end the upload.
void FirmwareUpdate::sendImage(const MemoryImage& image, Progress& progress, ModuleUpdateResult& result)
{
    const auto start = static_cast<std::uint32_t>(image.lowest());
    const auto end = static_cast<std::uint32_t>(image.highest());
    const Clock::time_point began = Clock::now();
    command(addressFrame(start), quickCommandMs);
    client.pause(commandPause);
    if (refusalTold) { // no address: the data would go wherever the bootloader points
        result.outcome = ModuleUpdateResult::Outcome::Failed;
        progress.setProgress(0);
        progress.addLine("failed to upload fw");
        return;
    }
    logLine("new range: " + std::to_string(end - start));
    const std::uint64_t total = std::uint64_t{end} - start + 1;
    CanFrame frame = bootloaderFrame({'c', 0, 0, 0, 0, 0, 0, 0});
    std::uint8_t pending = 0;
    std::uint32_t shown = 0;
    bool refused = false;
    auto send = [&](std::uint8_t length) {
        frame.length = length;
        const Exchange exchange = client.exchange(frame, dataFrameMs);
        refused = adapterRefused(exchange, frame) || refused;
        const CanFrame& echo = exchange.answer;
        ++result.frames;
        const bool echoed = std::memcmp(echo.data, frame.data, sizeof frame.data) == 0;
        result.unechoed += echoed ? 0 : 1;
        std::memset(frame.data + 2, 0, 6);
        pending = 0;
        return echoed;
    };
    result.outcome = ModuleUpdateResult::Outcome::Updated;
    for (std::uint64_t address = start; address <= end; ++address) {
        frame.data[2 + pending++] = image.byteAt(address);
        if (pending == 6) {
            send(8);
            result.bytes = address - start + 1;
            progress.setTransfer(result.bytes, total);
            if (client.stopRequested())
                return;
        }
        if (result.unechoed > unechoedLimit || refused) {
            result.outcome = ModuleUpdateResult::Outcome::Failed;
            progress.setProgress(0);
            progress.addLine("failed to upload fw");
            return;
        }
        const std::uint32_t percent = percentAfter(address, start, end);
        if (percent != shown)
            progress.setProgress(shown = percent);
    }
    const bool lastEchoed = pending == 0 || send(static_cast<std::uint8_t>(2 + pending));
    result.bytes = total;
    result.seconds = std::chrono::duration<double>(Clock::now() - began).count();
    progress.setTransfer(total, total);
    if (client.stopRequested())
        return;
    if (result.unechoed > 0) {
        result.outcome = ModuleUpdateResult::Outcome::Failed;
        progress.setProgress(0);
        progress.addLine(lastEchoed ? "failed to upload fw" : "failed to upload fw!");
    }
    logLine("done sending fw");
}

// After a stop no frame goes out any more: the module ends with what the sensor now is.
bool FirmwareUpdate::stopped(Progress& progress, ModuleUpdateResult& result, bool inBootloader)
{
    if (!client.stopRequested())
        return false;
    result.outcome = ModuleUpdateResult::Outcome::Stopped;
    progress.setProgress(0);
    progress.addLine(inBootloader ? "Stopped: the sensor is in its bootloader; update again with Force."
                                  : "Stopped: the sensor was not changed.");
    return true;
}

} // namespace veldris
