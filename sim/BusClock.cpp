#include "sim/BusClock.h"

namespace sim {

Micros frameDuration(const Frame& frame, int kbit)
{
    if (kbit <= 0)
        return 0;
    const int dataBits = frame.remote ? 0 : 8 * frame.length;
    // SOF, arbitration, control, data and CRC are stuffed: 34 bits (standard) or 54 (extended).
    const int stuffed = (frame.extended ? 54 : 34) + dataBits;
    const int stuffBits = (stuffed - 1) / 4;
    const int fixedTail = 1 + 2 + 7 + 3; // CRC delimiter, ACK slot and delimiter, EOF, intermission
    const int bits = stuffed + stuffBits + fixedTail;
    return static_cast<Micros>(bits) * 1000 / kbit;
}

} // namespace sim
