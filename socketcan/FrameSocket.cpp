#include "socketcan/FrameSocket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace socketcan {

namespace {

std::int64_t clockMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The SO_TIMESTAMP control message of a received record, or the clock where there is none.
std::int64_t receiveTime(msghdr& header)
{
    for (cmsghdr* control = CMSG_FIRSTHDR(&header); control; control = CMSG_NXTHDR(&header, control)) {
        if (control->cmsg_level == SOL_SOCKET && control->cmsg_type == SCM_TIMESTAMP) {
            timeval stamp{};
            std::memcpy(&stamp, CMSG_DATA(control), sizeof stamp);
            return static_cast<std::int64_t>(stamp.tv_sec) * 1'000'000 + stamp.tv_usec;
        }
    }
    return clockMicros();
}

} // namespace

FrameSocket::FrameSocket(int ownedDescriptor) : fd(ownedDescriptor)
{
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMP, &on, sizeof on); // without it the clock stamps frames
}

FrameSocket::~FrameSocket()
{
    if (fd >= 0)
        ::close(fd);
}

int FrameSocket::send(const can_frame& frame) const
{
    const ssize_t sent = ::send(fd, &frame, sizeof frame, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(sizeof frame))
        return 0;
    return sent < 0 ? errno : EIO;
}

FrameSocket::Received FrameSocket::receive(can_frame& frame, std::int64_t& micros, int& error) const
{
    iovec buffer{&frame, sizeof frame};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timeval))];
    msghdr header{};
    header.msg_iov = &buffer;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(fd, &header, MSG_DONTWAIT);
    if (got < 0) {
        error = errno;
        return error == EAGAIN || error == EWOULDBLOCK || error == EINTR ? Received::Empty : Received::Failed;
    }
    if (got == 0) {
        error = ENOTCONN; // the far end of a socket pair closed; a CAN_RAW socket never ends
        return Received::Failed;
    }
    if (got != static_cast<ssize_t>(sizeof frame) || (header.msg_flags & MSG_TRUNC))
        return Received::Ignored;
    micros = receiveTime(header);
    return Received::Frame;
}

std::unique_ptr<FrameSocket> adoptDescriptor(int descriptor, std::string& message)
{
    const int own = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
        message = "Descriptor " + std::to_string(descriptor) + " named in VELDRIS_SOCKETCAN is not open.";
        return nullptr;
    }
    return std::make_unique<FrameSocket>(own);
}

} // namespace socketcan
