#pragma once

#include <functional>
#include <string>

namespace veldris {

// How the adapter binding tells the user that the PCAN-Basic library is missing or unusable:
// a modal box in the window program, a line on standard error in the command-line tool (the
// default). Installed before the CAN client is first used.
using AdapterNotifier = std::function<void(const std::string& caption, const std::string& text)>;

void setAdapterNotifier(AdapterNotifier notifier);
void notifyAdapterProblem(const std::string& caption, const std::string& text);

} // namespace veldris
