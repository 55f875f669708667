#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace sim {

enum class Access { ReadOnly, ReadWrite, WriteOnly };

// One object dictionary entry of a simulated sensor: the value in use and the value kept in
// non-volatile memory by "save" (0x1010:01).
struct ObjectEntry {
    std::uint8_t size = 4; // [bytes] 1, 2 or 4
    Access access = Access::ReadWrite;
    std::uint32_t active = 0;
    std::uint32_t stored = 0;
    bool communication = false;  // restored from the stored value by NMT reset communication
    bool protectedWrite = false; // writable only after the access code was given
};

// A VISIBLE_STRING entry (the device name 0x1008 and the like): read and written as a whole,
// by segmented SDO transfers or, up to four bytes, expedited ones.
struct StringEntry {
    std::size_t maxLength = 0; // [bytes]
    Access access = Access::ReadOnly;
    std::string active;
    std::string stored;
};

class ObjectDictionary {
public:
    using Key = std::uint32_t; // index << 8 | sub-index

    static Key key(std::uint16_t index, std::uint8_t sub) { return static_cast<Key>(index) << 8 | sub; }

    ObjectEntry& define(std::uint16_t index, std::uint8_t sub, std::uint8_t size, Access access, std::uint32_t value);
    ObjectEntry* find(std::uint16_t index, std::uint8_t sub);
    const ObjectEntry* find(std::uint16_t index, std::uint8_t sub) const;
    bool hasIndex(std::uint16_t index) const;

    StringEntry& defineString(std::uint16_t index, std::uint8_t sub, std::size_t maxLength, Access access,
                              const std::string& value);
    StringEntry* findString(std::uint16_t index, std::uint8_t sub);
    const StringEntry* findString(std::uint16_t index, std::uint8_t sub) const;

    // The active value, or `otherwise` for an entry the sensor does not have.
    std::uint32_t value(std::uint16_t index, std::uint8_t sub, std::uint32_t otherwise = 0) const;
    void set(std::uint16_t index, std::uint8_t sub, std::uint32_t value);

    void storeAll();             // "save": every writable value becomes the stored one
    void restoreCommunication(); // NMT reset communication
    void restoreAll();           // NMT reset node, power-on

    std::map<Key, ObjectEntry>& entries() { return table; }
    const std::map<Key, ObjectEntry>& entries() const { return table; }
    std::map<Key, StringEntry>& stringEntries() { return strings; }
    const std::map<Key, StringEntry>& stringEntries() const { return strings; }

private:
    std::map<Key, ObjectEntry> table;
    std::map<Key, StringEntry> strings;
};

} // namespace sim
