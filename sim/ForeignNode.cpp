#include "sim/ForeignNode.h"

namespace sim {

Transmission ForeignNode::take()
{
    Transmission tx;
    tx.frame.id = config.id;
    tx.frame.length = config.length;
    for (int i = 0; i < config.length; ++i)
        tx.frame.data[i] = static_cast<std::uint8_t>(count >> (8 * i));
    tx.at = dueAt;
    ++count;
    dueAt += config.period;
    return tx;
}

} // namespace sim
