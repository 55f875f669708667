#pragma once

#include "sensor/SensorInfo.h"

#include <cstdint>
#include <optional>
#include <string>

namespace veldris {

class CanOpenClient;

// Connecting to a sensor and reading its identity, and the node-ID and bit-rate changes of the
// Basic page. All use the request engine on the calling thread.

// Sends the access code (30 ms), then waits 500 ms for the sensor to take it.
void sendAccessCode(CanOpenClient& client, std::uint32_t node);
// "0x" + data bytes 7, 6, 5, 4 of the answer in lower-case hexadecimal; "0x00000000" unanswered.
std::string readUid(CanOpenClient& client, std::uint32_t node);
// Identity reads in the layout of connectedSensor().uidListed (50 ms each); "0.0.0.0" and "0"
// when unanswered.
std::string readFirmwareVersion(CanOpenClient& client, std::uint32_t node);
std::string readItemNumber(CanOpenClient& client, std::uint32_t node);
std::string readSerialNumber(CanOpenClient& client, std::uint32_t node);

// Makes `record` (nodeId and uid set) the connected sensor: layout from the UID, identity read
// from the sensor, variant code from the UID.
void identify(CanOpenClient& client, SensorInfo record);

// Whether the sensor answered the UID read of a connect.
enum class SensorPresence { Answered, Silent };

// The access code, the UID and the identity of `node`, as choosing it in the node list does.
// A silent node still becomes the connected sensor (with a zero UID and identity), as the
// window shows it; callers that print an identity check the presence first.
SensorPresence connectToSensor(CanOpenClient& client, const std::string& nodeText);

// The outcome of a node-ID or bit-rate change.
enum class ChangeResult {
    Unchanged,  // the new value is the current one; nothing was sent
    OutOfRange, // a node ID outside 1..127 or a bit-rate index outside 0..5; nothing was sent
    Refused,    // the sensor did not confirm the new value; nothing more was sent
    Changed,    // confirmed and stored; the bus was reset, the sensor comes back with it
    NotStored,  // confirmed, but the store was not: after the reset it comes back with the old value
};

// Whether a change may go to the bus at all: Unchanged or OutOfRange, or nothing when it may.
// The change operations check it first; callers may ask before they connect to the sensor.
std::optional<ChangeResult> nodeIdChangeRefusal(int current, int newNodeId);
std::optional<ChangeResult> bitrateChangeRefusal(int currentIndex, int newIndex);

// Write, store, reset the communication of all nodes: in that order, each only after the one
// before was confirmed (the reset follows the store either way).
ChangeResult changeNodeId(CanOpenClient& client, int current, int newNodeId);
ChangeResult changeBitrate(CanOpenClient& client, std::uint32_t node, int currentIndex, int newIndex);

// Resets the communication of all nodes and gives the connected sensor its access code again;
// a safety sensor (variant 2) is asked to take its SRDO configuration as valid.
// 0: done; -1: the sensor refused the configuration; -2: no answer or another answer.
int reconnectSensor(CanOpenClient& client);

} // namespace veldris
