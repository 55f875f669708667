#include "common/GUIProgress.h"

#include <iterator>
#include <mutex>

namespace veldris {

void GUIProgress::setProgress(std::uint32_t value)
{
    std::unique_lock guard(lock, lockWait);
    if (guard.owns_lock())
        progress = value;
}

void GUIProgress::addLine(const std::string& text)
{
    keptBack.push_back(text);
    std::unique_lock guard(lock, lockWait);
    if (!guard.owns_lock())
        return; // kept back until the next line or finish()
    lines.insert(lines.end(), std::make_move_iterator(keptBack.begin()), std::make_move_iterator(keptBack.end()));
    keptBack.clear();
}

void GUIProgress::finish()
{
    if (!keptBack.empty()) {
        std::lock_guard guard(lock);
        lines.insert(lines.end(), std::make_move_iterator(keptBack.begin()), std::make_move_iterator(keptBack.end()));
        keptBack.clear();
    }
    running = false;
}

std::uint32_t GUIProgress::lineCount()
{
    std::unique_lock guard(lock, lockWait);
    return guard.owns_lock() ? static_cast<std::uint32_t>(lines.size()) : 0;
}

std::string GUIProgress::line(std::uint32_t index)
{
    std::string text;
    readLine(index, text);
    return text;
}

bool GUIProgress::readLine(std::uint32_t index, std::string& text)
{
    std::unique_lock guard(lock, lockWait);
    if (!guard.owns_lock() || index >= lines.size())
        return false;
    text = lines[index];
    return true;
}

std::uint32_t GUIProgress::progressValue()
{
    std::unique_lock guard(lock, lockWait);
    return guard.owns_lock() ? progress : 0;
}

} // namespace veldris
