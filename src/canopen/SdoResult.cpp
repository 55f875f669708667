#include "canopen/SdoResult.h"

#include "can/StatusText.h"
#include "canopen/AbortCodes.h"
#include "canopen/CanOpenClient.h"
#include "canopen/SdoProtocol.h"

#include <cstdio>

namespace veldris {

SdoObject SdoObject::of(const CanFrame& request)
{
    return {static_cast<std::uint16_t>(request.data[1] | request.data[2] << 8), request.data[3]};
}

std::string SdoObject::text() const
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X:%02X", index, subIndex);
    return text;
}

namespace {

std::uint8_t uploadSize(std::uint8_t command)
{
    switch (command) {
    case sdo::uploaded1: return 1;
    case sdo::uploaded2: return 2;
    case sdo::uploaded3: return 3;
    case sdo::uploaded4: return 4;
    default: return 0;
    }
}

SdoResult::Kind kindOf(ExchangeStatus status)
{
    switch (status) {
    case ExchangeStatus::WriteRefused: return SdoResult::Kind::NotSent;
    case ExchangeStatus::Busy: return SdoResult::Kind::Busy;
    case ExchangeStatus::Stopped: return SdoResult::Kind::Stopped;
    default: return SdoResult::Kind::NoAnswer;
    }
}

// The answer's kind for this request: a read takes an upload answer, a download a
// confirmation, and either may be aborted.
void judge(SdoResult& result, const CanFrame& request, const CanFrame& answer)
{
    result.command = answer.data[0];
    const bool reading = request.data[0] == sdo::upload;
    if (result.command == sdo::abort) {
        result.kind = SdoResult::Kind::Aborted;
        result.abortCode = answer.value();
    } else if (reading && uploadSize(result.command) != 0) {
        result.kind = SdoResult::Kind::Uploaded;
        result.size = uploadSize(result.command);
        for (std::size_t i = 0; i < result.bytes.size(); ++i)
            result.bytes[i] = i < result.size ? answer.data[4 + i] : 0;
        result.value = answer.value() & (result.size == 4 ? 0xFFFFFFFFu : (1u << (8 * result.size)) - 1);
        result.data.assign(answer.data + 4, answer.data + 4 + result.size);
    } else if (!reading && result.command == sdo::downloadConfirmed) {
        result.kind = SdoResult::Kind::Confirmed;
    } else {
        result.kind = SdoResult::Kind::Unexpected;
    }
}

std::string hexByte(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

} // namespace

SdoResult SdoResult::of(const CanFrame& request, const Exchange& exchange)
{
    SdoResult result;
    result.object = SdoObject::of(request);
    result.kind = kindOf(exchange.status);
    result.adapterStatus = result.kind == Kind::NotSent ? exchange.adapterStatus : pcan::ok;
    // The engine took this frame for the answer only because it came from the node's SDO
    // server with the request's index and sub-index.
    if (exchange.answered())
        judge(result, request, exchange.answer);
    return result;
}

SdoResult& SdoResult::expectSize(std::uint8_t wanted)
{
    if (kind == Kind::Uploaded && size != wanted) {
        kind = Kind::Unexpected;
        size = 0;
        value = 0;
        bytes = {};
        data.clear();
    }
    return *this;
}

std::string SdoResult::failure() const
{
    std::string text = failureWithoutAbort();
    if (abortSent != 0 && !text.empty()) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", abortSent);
        text += std::string("; the transfer was aborted with ") + code;
    }
    return text;
}

std::string SdoResult::failureWithoutAbort() const
{
    const std::string name = object.text();
    if (kind == Kind::Unexpected && !protocolFault.empty())
        return "answered " + name + " with " + protocolFault;
    switch (kind) {
    case Kind::Uploaded:
    case Kind::Confirmed: return {};
    case Kind::Aborted: return "aborted " + name + " with " + abortDescription(abortCode);
    case Kind::Unexpected: return "answered " + name + " with the unexpected command byte " + hexByte(command);
    case Kind::NoAnswer: return "did not answer " + name;
    case Kind::NotSent:
        return "could not be asked for " + name + ": the adapter refused the request (status " + statusText(adapterStatus)
             + ")";
    case Kind::Busy: return "could not be asked for " + name + ": another operation holds the bus";
    case Kind::Stopped: return "gave no answer for " + name + " before the stop";
    }
    return {};
}

SdoResult sdoExchange(CanOpenClient& client, const CanFrame& request, std::uint32_t timeoutMs)
{
    return SdoResult::of(request, client.exchange(request, timeoutMs));
}

} // namespace veldris
