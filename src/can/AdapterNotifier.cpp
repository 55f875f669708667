#include "can/AdapterNotifier.h"

#include "common/Log.h"

namespace veldris {

void notifyAdapterProblem(const AdapterNotifier& notifier, const std::string& caption, const std::string& text)
{
    if (notifier)
        notifier(caption, text);
    else
        logLine(caption + " " + text, LogStream::Error);
}

} // namespace veldris
