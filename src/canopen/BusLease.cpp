#include "canopen/BusLease.h"

#include "canopen/CanOpenClient.h"

#include <utility>

namespace veldris {

BusLease::BusLease(BusLease&& other) noexcept : client(std::exchange(other.client, nullptr))
{
}

BusLease& BusLease::operator=(BusLease&& other) noexcept
{
    if (this != &other) {
        release();
        client = std::exchange(other.client, nullptr);
    }
    return *this;
}

BusLease::~BusLease()
{
    release();
}

void BusLease::adopt()
{
    if (client)
        client->adoptLease();
}

void BusLease::release()
{
    if (client)
        std::exchange(client, nullptr)->releaseLease();
}

} // namespace veldris
