#include "can/AdapterNotifier.h"

#include "common/Log.h"

#include <mutex>

namespace veldris {

namespace {
std::mutex notifierMutex;
AdapterNotifier& installed()
{
    static AdapterNotifier notifier;
    return notifier;
}
}

void setAdapterNotifier(AdapterNotifier notifier)
{
    std::lock_guard lock(notifierMutex);
    installed() = std::move(notifier);
}

void notifyAdapterProblem(const std::string& caption, const std::string& text)
{
    AdapterNotifier notifier;
    {
        std::lock_guard lock(notifierMutex);
        notifier = installed();
    }
    if (notifier)
        notifier(caption, text);
    else
        logLine(caption + " " + text, LogStream::Error);
}

} // namespace veldris
