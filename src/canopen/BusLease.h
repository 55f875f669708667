#pragma once

namespace veldris {

class CanOpenClient;

// The right to use the bus alone for as long as the lease lives. Only one lease exists at a
// time; while it is held, exchanges from any other thread are refused without touching the
// bus, and so is every further lease, also one asked for by the holder's own thread (a timer
// tick or a handler that the window runs while it waits for the holder's worker).
//
// A lease belongs to the thread that took it. A procedure that runs on a worker thread is
// handed the lease: the user-interface thread takes it (so that nothing can slip in while the
// worker starts), moves it to the worker, and the worker adopts it as its first action.
class BusLease {
public:
    BusLease() = default; // holds nothing
    BusLease(BusLease&& other) noexcept;
    BusLease& operator=(BusLease&& other) noexcept;
    ~BusLease(); // releases the bus
    BusLease(const BusLease&) = delete;
    BusLease& operator=(const BusLease&) = delete;

    explicit operator bool() const { return client != nullptr; }

    // Makes the calling thread the holder.
    void adopt();
    void release();

private:
    friend class CanOpenClient;
    explicit BusLease(CanOpenClient& holderOf) : client(&holderOf) {}

    CanOpenClient* client = nullptr;
};

} // namespace veldris
