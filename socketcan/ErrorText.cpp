#include "socketcan/ErrorText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace socketcan {

namespace {

struct Kept {
    std::mutex mutex;
    pcan::Status status = pcan::ok;
    std::string message;
};

Kept& kept()
{
    static Kept last;
    return last;
}

constexpr std::size_t maximumText = 255;

void copyText(const std::string& text, char* buffer)
{
    const std::size_t length = std::min(text.size(), maximumText);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace

pcan::Status ErrorText::refuse(pcan::Status status, const std::string& message)
{
    Kept& last = kept();
    std::lock_guard lock(last.mutex);
    last.status = status;
    last.message = message;
    return status;
}

const char* ErrorText::standard(pcan::Status status)
{
    switch (status) {
    case pcan::ok: return "No error";
    case pcan::errorXmtFull: return "Transmit buffer in CAN controller is full";
    case pcan::errorOverrun: return "CAN controller was read too late";
    case pcan::errorBusHeavy: return "Bus error: an error counter reached the warning limit";
    case pcan::errorBusOff: return "Bus error: the CAN controller is in bus-off state";
    case pcan::errorQrcvEmpty: return "Receive queue is empty";
    case pcan::errorQOverrun: return "Receive queue was read too late";
    case pcan::errorQXmtFull: return "Transmit queue is full";
    case pcan::errorIllHw: return "Channel is not one of the interfaces listed in VELDRIS_SOCKETCAN";
    case pcan::errorResource: return "Resource (socket, memory) cannot be created";
    case pcan::errorIllParamType: return "Invalid parameter";
    case pcan::errorIllParamVal: return "Invalid parameter value";
    case pcan::errorUnknown: return "Unknown error";
    case pcan::errorIllData: return "Invalid data, function, or action";
    case pcan::errorBusPassive: return "Bus error: the CAN controller is error passive";
    case pcan::errorInitialize: return "Channel is not initialized";
    case pcan::errorIllOperation: return "Invalid operation";
    default: return nullptr;
    }
}

pcan::Status ErrorText::copy(pcan::Status status, char* buffer)
{
    if (!buffer)
        return pcan::errorIllParamVal;
    {
        Kept& last = kept();
        std::lock_guard lock(last.mutex);
        if (status == last.status && !last.message.empty()) {
            copyText(last.message, buffer);
            return pcan::ok;
        }
    }
    if (const char* text = standard(status)) {
        copyText(text, buffer);
        return pcan::ok;
    }
    char unknown[40];
    std::snprintf(unknown, sizeof unknown, "Undefined status 0x%X", status);
    copyText(unknown, buffer);
    return pcan::errorIllParamVal;
}

} // namespace socketcan
