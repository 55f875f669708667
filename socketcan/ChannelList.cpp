#include "socketcan/ChannelList.h"

#include <fcntl.h>

#include <cstdlib>
#include <sstream>

namespace socketcan {

namespace {

constexpr std::size_t maximumChannels = 16;

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The descriptor of an "fd:N" entry; -1 for an interface name or a malformed number.
int descriptorOf(const std::string& name)
{
    if (name.rfind("fd:", 0) != 0 || name.size() == 3 || name.size() > 12)
        return -1;
    int value = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

pcan::Handle handleAt(std::size_t position)
{
    if (position < 8)
        return static_cast<pcan::Handle>(pcan::usbBus1 + position);
    if (position < maximumChannels)
        return static_cast<pcan::Handle>(0x509 + (position - 8));
    return pcan::noneBus;
}

std::vector<ChannelEntry> parseChannels(const char* text)
{
    std::vector<ChannelEntry> entries;
    std::istringstream list(text ? text : "");
    for (std::string item; std::getline(list, item, ',') && entries.size() < maximumChannels;) {
        item = trimmed(item);
        if (!item.empty())
            entries.push_back({handleAt(entries.size()), item, descriptorOf(item)});
    }
    if (entries.empty())
        entries.push_back({handleAt(0), "can0", -1});
    return entries;
}

std::vector<ChannelEntry> listedChannels()
{
    return parseChannels(std::getenv(channelsVariable));
}

std::optional<ChannelEntry> listedChannel(pcan::Handle handle)
{
    for (const ChannelEntry& entry : listedChannels())
        if (entry.handle == handle)
            return entry;
    return std::nullopt;
}

bool attached(const ChannelEntry& entry, const LinkControl& links)
{
    if (entry.name.rfind("fd:", 0) == 0)
        return entry.descriptor >= 0 && ::fcntl(entry.descriptor, F_GETFD) >= 0;
    return links.exists(entry.name) && links.isUp(entry.name);
}

} // namespace socketcan
