#include "sim/ObjectDictionary.h"

namespace sim {

ObjectEntry& ObjectDictionary::define(std::uint16_t index, std::uint8_t sub, std::uint8_t size, Access access,
                                      std::uint32_t value)
{
    ObjectEntry& entry = table[key(index, sub)];
    entry.size = size;
    entry.access = access;
    entry.active = value;
    entry.stored = value;
    entry.communication = index >= 0x1000 && index < 0x2000;
    return entry;
}

ObjectEntry* ObjectDictionary::find(std::uint16_t index, std::uint8_t sub)
{
    const auto found = table.find(key(index, sub));
    return found == table.end() ? nullptr : &found->second;
}

const ObjectEntry* ObjectDictionary::find(std::uint16_t index, std::uint8_t sub) const
{
    const auto found = table.find(key(index, sub));
    return found == table.end() ? nullptr : &found->second;
}

bool ObjectDictionary::hasIndex(std::uint16_t index) const
{
    const auto first = table.lower_bound(key(index, 0));
    const auto firstString = strings.lower_bound(key(index, 0));
    return (first != table.end() && (first->first >> 8) == index)
        || (firstString != strings.end() && (firstString->first >> 8) == index);
}

StringEntry& ObjectDictionary::defineString(std::uint16_t index, std::uint8_t sub, std::size_t maxLength, Access access,
                                            const std::string& value)
{
    StringEntry& entry = strings[key(index, sub)];
    entry.maxLength = maxLength;
    entry.access = access;
    entry.active = entry.stored = value;
    return entry;
}

StringEntry* ObjectDictionary::findString(std::uint16_t index, std::uint8_t sub)
{
    const auto found = strings.find(key(index, sub));
    return found == strings.end() ? nullptr : &found->second;
}

const StringEntry* ObjectDictionary::findString(std::uint16_t index, std::uint8_t sub) const
{
    const auto found = strings.find(key(index, sub));
    return found == strings.end() ? nullptr : &found->second;
}

std::uint32_t ObjectDictionary::value(std::uint16_t index, std::uint8_t sub, std::uint32_t otherwise) const
{
    const ObjectEntry* entry = find(index, sub);
    return entry ? entry->active : otherwise;
}

void ObjectDictionary::set(std::uint16_t index, std::uint8_t sub, std::uint32_t value)
{
    if (ObjectEntry* entry = find(index, sub))
        entry->active = value;
}

void ObjectDictionary::storeAll()
{
    for (auto& [key, entry] : table)
        if (entry.access == Access::ReadWrite)
            entry.stored = entry.active;
    for (auto& [key, entry] : strings)
        if (entry.access == Access::ReadWrite)
            entry.stored = entry.active;
}

void ObjectDictionary::restoreCommunication()
{
    for (auto& [key, entry] : table)
        if (entry.communication)
            entry.active = entry.stored;
}

void ObjectDictionary::restoreAll()
{
    for (auto& [key, entry] : table)
        entry.active = entry.stored;
    for (auto& [key, entry] : strings)
        entry.active = entry.stored;
}

} // namespace sim
