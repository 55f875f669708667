#include "common/GUIProgress.h"

#include <chrono>

namespace veldris {

namespace {
constexpr std::chrono::milliseconds lockWait{100};
}

void GUIProgress::setProgress(std::uint32_t value)
{
    std::unique_lock guard(lock, lockWait);
    if (guard.owns_lock())
        progress = value;
}

void GUIProgress::addLine(const std::string& text)
{
    std::unique_lock guard(lock, lockWait);
    if (guard.owns_lock())
        lines.push_back(text);
}

std::uint32_t GUIProgress::lineCount()
{
    std::unique_lock guard(lock, lockWait);
    return guard.owns_lock() ? static_cast<std::uint32_t>(lines.size()) : 0;
}

std::string GUIProgress::line(std::uint32_t index)
{
    std::unique_lock guard(lock, lockWait);
    if (!guard.owns_lock() || index >= lines.size())
        return {};
    return lines[index];
}

std::uint32_t GUIProgress::progressValue()
{
    std::unique_lock guard(lock, lockWait);
    return guard.owns_lock() ? progress : 0;
}

} // namespace veldris
