#include "socketcan/Channel.h"

#include "socketcan/BusState.h"
#include "socketcan/ErrorText.h"
#include "socketcan/FrameConversion.h"

namespace socketcan {

Channel::Channel(std::string name, std::unique_ptr<FrameSocket> frameSocket, pcan::Status state)
    : interface(std::move(name)), socket(std::move(frameSocket)), busState(state)
{
}

// Takes records until a data frame the filter accepts; the loop ends because a read of an empty
// socket does not wait.
pcan::Status Channel::read(pcan::Message& message, pcan::Timestamp* timestamp)
{
    for (;;) {
        can_frame frame{};
        std::int64_t micros = 0;
        int error = 0;
        switch (socket->receive(frame, micros, error)) {
        case FrameSocket::Received::Empty: return pcan::errorQrcvEmpty;
        case FrameSocket::Received::Failed: {
            // Not "empty": the socket stays readable, and a reader that polls it must not spin.
            const Refusal refusal = refusalOfErrno(error, interface);
            return ErrorText::refuse(refusal.status, refusal.message);
        }
        case FrameSocket::Received::Ignored: continue;
        case FrameSocket::Received::Frame: break;
        }
        if (isErrorFrame(frame)) {
            busState = busStateAfter(frame, busState);
            continue;
        }
        const pcan::Message received = messageOf(frame);
        if (!acceptance.accepts(received))
            continue;
        message = received;
        if (timestamp)
            *timestamp = timestampOf(micros);
        return pcan::ok;
    }
}

Refusal Channel::write(const pcan::Message& message)
{
    can_frame frame{};
    if (!frameOf(message, frame))
        return {pcan::errorIllData, {}};
    if (busState == pcan::errorBusOff)
        return {pcan::errorBusOff, {}};
    return refusalOfErrno(socket->send(frame), interface);
}

void Channel::reset()
{
    pcan::Message discarded{};
    while (read(discarded, nullptr) == pcan::ok) {
    }
}

} // namespace socketcan
