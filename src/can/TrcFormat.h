#pragma once

#include "can/CanFrame.h"

#include <cstdint>
#include <string>

namespace veldris::trc {

// PEAK's trace format, version 2.1, in the layout PCAN-View writes with its bus column
// (";$COLUMNS=N,O,T,B,I,d,R,L,D"). PCAN-View reads any layout that the columns line declares;
// python-can 4.1 reads version 2.1 only in this one. Lines end in CR LF, as PCAN-View writes
// them.

// The header, from the file version down to the ruler above the first frame. `startUtcMicros`
// is the wall-clock time of the first frame; it is written as local time, `utcOffsetSeconds`
// east of UTC, as PCAN-View writes it.
std::string header(const std::string& path, std::uint64_t startUtcMicros, std::int64_t utcOffsetSeconds);

// The start time as PCAN-View writes it after ";$STARTTIME=": days since 1899-12-30 (an OLE
// automation date) with ten decimals. `localMicros` counts from 1970-01-01 00:00 local time.
std::string oleDate(std::int64_t localMicros);

// One frame line without its line end: `number` counts from 1, `offsetMicros` is the time since
// the first frame (negative for a frame that came before it but was read after it). Data frames
// are "DT", remote requests "RR", the adapter's status messages (bus-off, error passive) "ST".
// Error frames, which the program never asks the adapter for, give an empty text: no line.
std::string record(const CanFrame& frame, bool received, std::uint64_t number, std::int64_t offsetMicros);

// The local time zone's offset from UTC at that moment [s].
std::int64_t localUtcOffsetSeconds(std::uint64_t utcMicros);

} // namespace veldris::trc
