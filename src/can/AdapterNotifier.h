#pragma once

#include <functional>
#include <string>

namespace veldris {

// How the adapter binding tells the user that the PCAN-Basic library is missing or unusable:
// a modal box in the window program, a line on standard error in the command-line tool. The
// program hands it to its CAN client, which hands it to every driver it creates.
using AdapterNotifier = std::function<void(const std::string& caption, const std::string& text)>;

// Tells `notifier`, or writes the caption and text to the error log when there is none.
void notifyAdapterProblem(const AdapterNotifier& notifier, const std::string& caption, const std::string& text);

} // namespace veldris
