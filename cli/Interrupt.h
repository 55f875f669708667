#pragma once

namespace veldris {
class StopSignal;
}

// Ctrl-C while a command uses the bus: the first one raises `stop`, so that every wait on the
// bus ends at once and the command finishes at a frame boundary and says what it did; a second
// one ends the program at once, as Ctrl-C does elsewhere.
void stopOnInterrupt(veldris::StopSignal& stop);
// Lets go of `stop` before it is destroyed: a later Ctrl-C raises nothing.
void forgetInterruptTarget(const veldris::StopSignal& stop);

// Whether Ctrl-C was pressed.
bool interrupted();

// The exit status of a command that Ctrl-C stopped (128 + SIGINT, as the shell reports it).
inline constexpr int exitInterrupted = 130;
