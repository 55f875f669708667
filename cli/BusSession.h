#pragma once

#include "GlobalOptions.h"
#include "Session.h"

#include "common/NumberText.h"

#include <optional>
#include <string>

namespace veldris {
class CanOpenClient;
struct IdentityReads;
struct SdoResult;
}

// Opens the bus as the window's node list does (channel 0, the chosen bit rate, NMT
// pre-operational to all); from here on Ctrl-C stops the bus (see Interrupt.h). On failure it
// has said why on standard error and gives the exit status to end with.
std::optional<int> openBusFor(Session& session);
// "veldris-cli: the CAN adapter could not be opened at 125 kbit/s" + `purpose` + the library's
// name, on standard error.
void reportAdapterNotOpened(const GlobalOptions& options, const std::string& purpose = {});

// Opens the bus and connects to the sensor at --node as choosing it in the window does: access
// code, UID, object layout, identity; the session keeps its record. A node that answers its UID
// read with anything but the UID is no sensor of this family: the command ends there, unless
// it takes any device. `reads`, when given, receives the identity reads.
enum class Device { FamilySensor, Any };
std::optional<int> connectFor(Session& session, const char* command, Device device = Device::FamilySensor,
                              veldris::IdentityReads* reads = nullptr);

// Says on standard error what a read or write of --node gave instead of a value or a
// confirmation: "veldris-cli: node 5 aborted 0x1017:00 with 0x06020000 (...)". A UID read that
// was answered otherwise names the node as no sensor of this family.
void reportFailure(const GlobalOptions& options, const veldris::SdoResult& result);

// The --node of a command that talks to one sensor; says so and gives the usage status when
// it is missing.
std::optional<int> requireNode(const GlobalOptions& options, const char* command);

// "0x1017:00", "1017:00" or "0x1017:0x00": object index and sub-index, hexadecimal.
bool parseObject(const std::string& text, std::uint16_t& index, std::uint8_t& sub);
// A number the user gave for an object: read whole and within `range` (see NumberText.h), or
// said on standard error ("veldris-cli: heartbeat (0x1017:00): '70000' is out of range
// (0..65535)") and nothing.
std::optional<std::uint32_t> parseValue(const std::string& text, const veldris::NumberRange& range, const std::string& what);
