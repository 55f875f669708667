#pragma once

#include "GlobalOptions.h"

#include <optional>

namespace veldris {
class CanOpenClient;
}

// Opens the bus as the window's node list does (channel 0, the chosen bit rate, NMT
// pre-operational to all); from here on Ctrl-C stops the bus (see Interrupt.h). On failure it
// has said why on standard error and gives the exit status to end with.
std::optional<int> openBusFor(const GlobalOptions& options, veldris::CanOpenClient& client);

// Opens the bus and connects to the sensor at --node as choosing it in the window does: access
// code, UID, object layout, identity.
std::optional<int> connectFor(const GlobalOptions& options, veldris::CanOpenClient& client, const char* command);

// The --node of a command that talks to one sensor; says so and gives the usage status when
// it is missing.
std::optional<int> requireNode(const GlobalOptions& options, const char* command);

// "0x1017:00", "1017:00" or "0x1017:0x00": object index and sub-index, hexadecimal.
bool parseObject(const std::string& text, std::uint16_t& index, std::uint8_t& sub);
// Decimal or 0x hexadecimal, negative values as two's complement.
bool parseValue(const std::string& text, std::uint32_t& value);
