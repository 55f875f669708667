#pragma once

#include "canopen/SdoResult.h"
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

// The reads of a connect, each as it ended.
struct IdentityReads {
    SdoResult uid, firmwareVersion, itemNumber, serialNumber;

    // A node whose UID object 0x2A00:01 answers is a sensor of this family.
    bool familySensor() const { return uid.uploaded(); }
    // The first read that gave no value (the UID first), or nullptr when all did.
    const SdoResult* firstFailure() const;
};

// Whether `read` is a read of the UID object 0x2A00:01 that the node answered, but not with a
// UID (an abort, say): such a node is a device, but no sensor of this family.
bool answeredAsForeignDevice(const SdoResult& read);

// The texts of the connected sensor's record: "0x" + eight lower-case hexadecimal digits,
// "a.b.c.d" of the four bytes most significant first, a signed decimal number. A read that gave
// no value shows as "0x00000000", "0.0.0.0" and "0", as the window does for a silent node.
std::string uidText(const SdoResult& read);
std::string versionText(const SdoResult& read);
std::string numberText(const SdoResult& read);

// A sensor's record and the reads that filled it.
struct Connection {
    SensorInfo sensor;
    IdentityReads reads;
};

// Completes `record` (nodeId and uid set): layout from the UID, identity read from the sensor
// (50 ms each), variant code from the UID. `uidRead` is the read that gave the UID; the three
// identity reads join it in the result.
Connection identify(CanOpenClient& client, SensorInfo record, const SdoResult& uidRead);

// The access code, the UID and the identity of `node`, as choosing it in the node list does.
// A node that does not give its UID still gets a record (with a zero UID and identity), as the
// window shows it; callers that print an identity check the reads first.
Connection connectToSensor(CanOpenClient& client, const std::string& nodeText);

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

// How a reconnect ended.
enum class ReconnectResult {
    Done,                 // the access code was sent; a safety sensor confirmed its configuration
    ConfigurationRefused, // the safety sensor aborted: its SRDO configuration is not valid
    NoAnswer,             // the safety sensor did not confirm (silence or another answer)
};

// Resets the communication of all nodes and gives `sensor` its access code again; a safety
// sensor (variant 2) is asked to take its SRDO configuration as valid.
ReconnectResult reconnectSensor(CanOpenClient& client, const SensorInfo& sensor);

} // namespace veldris
