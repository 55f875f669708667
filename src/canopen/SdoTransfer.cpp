#include "canopen/SdoTransfer.h"

#include "canopen/CanOpenClient.h"
#include "canopen/RequestTemplates.h"
#include "canopen/SdoProtocol.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace veldris {

namespace {

constexpr std::uint32_t abortCommand = 0x05040001; // client/server command specifier not valid
constexpr std::size_t segmentBytes = 7;

CanFrame segmentFrame(std::uint8_t node, std::uint8_t command)
{
    CanFrame frame;
    frame.identifier = 0x600u + node;
    frame.length = 8;
    frame.data[0] = command;
    return frame;
}

// A segment, or the confirmation of one, carries its toggle bit, its unused byte count and the
// last-segment flag in the command byte.
std::uint8_t segmentUnused(std::uint8_t command)
{
    return (command >> 1) & 0x07;
}

std::string hexByte(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

void clearValue(SdoResult& result)
{
    result.size = 0;
    result.value = 0;
    result.bytes = {};
    result.data.clear();
}

// Tells the server that the client gave up the transfer, so that it does not wait in the middle
// of it; the result says why.
SdoResult& abandon(CanOpenClient& client, std::uint8_t node, SdoResult& result, std::uint32_t code, std::string fault)
{
    client.send(requests::sdoFrame(node, sdo::abort, result.object.index, result.object.subIndex, code));
    clearValue(result);
    result.abortSent = code;
    if (!fault.empty()) {
        result.kind = SdoResult::Kind::Unexpected;
        result.protocolFault = std::move(fault);
    }
    return result;
}

// How a segment exchange that brought no answer ends the transfer; a segment that did not come
// in time is aborted, the rest (a refused write, a stop) never reached the server.
SdoResult& endWithout(CanOpenClient& client, std::uint8_t node, SdoResult& result, const CanFrame& initiate,
                      const Exchange& exchange)
{
    const SdoResult ended = SdoResult::of(initiate, exchange);
    result.kind = ended.kind;
    result.adapterStatus = ended.adapterStatus;
    result.command = 0;
    if (ended.kind == SdoResult::Kind::NoAnswer)
        return abandon(client, node, result, sdo::abortTimeout, {});
    clearValue(result);
    return result;
}

// The answer to a segment: an abort from the server, or a segment of the right kind and toggle.
// False when the transfer ended (`result` says how).
bool acceptSegment(CanOpenClient& client, std::uint8_t node, SdoResult& result, const CanFrame& answer,
                   std::uint8_t expectedCommand, std::uint8_t toggle)
{
    const std::uint8_t command = answer.data[0];
    if (command == sdo::abort) {
        clearValue(result);
        result.kind = SdoResult::Kind::Aborted;
        result.command = command;
        result.abortCode = answer.value();
        return false;
    }
    if ((command & 0xE0) != expectedCommand) {
        abandon(client, node, result, abortCommand,
                "the unexpected command byte " + hexByte(command) + " in a segmented transfer");
        return false;
    }
    if ((command & sdo::toggleBit) != toggle) {
        abandon(client, node, result, sdo::abortToggle, "a segment with the wrong toggle bit");
        return false;
    }
    return true;
}

void fillValue(SdoResult& result)
{
    result.kind = SdoResult::Kind::Uploaded;
    result.size = static_cast<std::uint8_t>(std::min<std::size_t>(result.data.size(), 4));
    result.value = 0;
    result.bytes = {};
    for (std::size_t i = 0; i < result.size; ++i) {
        result.bytes[i] = result.data[i];
        result.value |= static_cast<std::uint32_t>(result.data[i]) << (8 * i);
    }
}

// An expedited upload answer without a size (0x42): the four data bytes are the value.
bool uploadedUnsized(SdoResult& result, const CanFrame& answer)
{
    const std::uint8_t command = answer.data[0];
    if ((command & 0xE0) != 0x40 || (command & sdo::expeditedBit) == 0 || (command & sdo::sizeIndicatedBit) != 0)
        return false;
    result.data.assign(answer.data + 4, answer.data + 8);
    fillValue(result);
    return true;
}

std::string announced(std::size_t bytes)
{
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

SdoResult& uploadSegments(CanOpenClient& client, std::uint8_t node, SdoResult& result, const CanFrame& initiate,
                          const CanFrame& answer, std::uint32_t timeoutMs, std::size_t maxBytes)
{
    const bool sized = (answer.data[0] & sdo::sizeIndicatedBit) != 0;
    const std::size_t indicated = sized ? answer.value() : 0;
    result.segmented = true;
    if (sized && indicated > maxBytes)
        return abandon(client, node, result, sdo::abortTooLarge,
                       "a value of " + announced(indicated) + ", more than the " + announced(maxBytes) + " taken");
    std::uint8_t toggle = 0;
    for (;;) {
        const Exchange exchange = client.segmentExchange(segmentFrame(node, sdo::uploadSegment | toggle), timeoutMs);
        if (!exchange.answered())
            return endWithout(client, node, result, initiate, exchange);
        if (!acceptSegment(client, node, result, exchange.answer, 0x00, toggle))
            return result;
        const std::uint8_t command = exchange.answer.data[0];
        const std::size_t count = segmentBytes - segmentUnused(command);
        result.data.insert(result.data.end(), exchange.answer.data + 1, exchange.answer.data + 1 + count);
        if (sized && result.data.size() > indicated)
            return abandon(client, node, result, sdo::abortLength,
                           "more bytes than the " + announced(indicated) + " it announced");
        if (result.data.size() > maxBytes)
            return abandon(client, node, result, sdo::abortTooLarge, "more than the " + announced(maxBytes) + " taken");
        if ((command & sdo::lastSegmentBit) != 0)
            break;
        toggle ^= sdo::toggleBit;
    }
    if (sized && result.data.size() != indicated) {
        const std::string fault = announced(result.data.size()) + " where it announced " + announced(indicated);
        clearValue(result);
        result.kind = SdoResult::Kind::Unexpected;
        result.protocolFault = fault;
        return result;
    }
    fillValue(result);
    return result;
}

CanFrame expeditedDownload(std::uint8_t node, SdoObject object, const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    const auto command = static_cast<std::uint8_t>(0x23 | (4 - bytes.size()) << 2);
    return requests::sdoFrame(node, command, object.index, object.subIndex, value);
}

SdoResult& downloadSegments(CanOpenClient& client, std::uint8_t node, SdoResult& result, const CanFrame& initiate,
                            const std::vector<std::uint8_t>& bytes, std::uint32_t timeoutMs)
{
    result.segmented = true;
    std::uint8_t toggle = 0;
    std::size_t offset = 0;
    do {
        const std::size_t count = std::min(segmentBytes, bytes.size() - offset);
        const bool last = offset + count == bytes.size();
        CanFrame segment = segmentFrame(node, static_cast<std::uint8_t>(toggle | (segmentBytes - count) << 1 | (last ? 1 : 0)));
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, segment.data + 1);
        const Exchange exchange = client.segmentExchange(segment, timeoutMs);
        if (!exchange.answered())
            return endWithout(client, node, result, initiate, exchange);
        if (!acceptSegment(client, node, result, exchange.answer, sdo::downloadSegmentConfirmed, toggle))
            return result;
        offset += count;
        toggle ^= sdo::toggleBit;
    } while (offset < bytes.size());
    result.kind = SdoResult::Kind::Confirmed;
    result.command = sdo::downloadSegmentConfirmed;
    return result;
}

} // namespace

SdoResult sdoUpload(CanOpenClient& client, std::uint8_t node, SdoObject object, std::uint32_t timeoutMs, std::size_t maxBytes)
{
    const CanFrame initiate = requests::sdoFrame(node, sdo::upload, object.index, object.subIndex);
    const Exchange exchange = client.exchange(initiate, timeoutMs);
    SdoResult result = SdoResult::of(initiate, exchange);
    if (result.kind != SdoResult::Kind::Unexpected)
        return result;
    const std::uint8_t command = exchange.answer.data[0];
    if (uploadedUnsized(result, exchange.answer))
        return result;
    if ((command & 0xE0) != 0x40 || (command & (sdo::expeditedBit | 0x0C)) != 0)
        return result; // neither an expedited nor a segmented upload answer
    return uploadSegments(client, node, result, initiate, exchange.answer, timeoutMs, maxBytes);
}

SdoResult sdoDownload(CanOpenClient& client, std::uint8_t node, SdoObject object, const std::vector<std::uint8_t>& bytes,
                      std::uint32_t timeoutMs)
{
    if (!bytes.empty() && bytes.size() <= 4)
        return sdoExchange(client, expeditedDownload(node, object, bytes), timeoutMs);
    const CanFrame initiate = requests::sdoFrame(node, sdo::downloadSegmentedSized, object.index, object.subIndex,
                                                 static_cast<std::uint32_t>(bytes.size()));
    SdoResult result = sdoExchange(client, initiate, timeoutMs);
    if (!result.confirmed())
        return result;
    return downloadSegments(client, node, result, initiate, bytes, timeoutMs);
}

} // namespace veldris
