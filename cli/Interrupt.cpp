#include "Interrupt.h"

#include "can/StopSignal.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<veldris::StopSignal*> target{nullptr};
volatile std::sig_atomic_t pressed = 0;

// Only async-signal-safe work: an atomic store and the stop signal's one write().
extern "C" void onInterrupt(int)
{
    pressed = 1;
    if (veldris::StopSignal* stop = target.load())
        stop->raise();
}

} // namespace

void stopOnInterrupt(veldris::StopSignal& stop)
{
    target = &stop;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND; // the second Ctrl-C takes the default way out
    sigaction(SIGINT, &action, nullptr);
}

void forgetInterruptTarget(const veldris::StopSignal& stop)
{
    veldris::StopSignal* expected = const_cast<veldris::StopSignal*>(&stop);
    target.compare_exchange_strong(expected, nullptr);
}

bool interrupted()
{
    return pressed != 0;
}
