#pragma once

#include <QStringList>

// The six bit rates of the bus, in the order of the adapter's bit-rate index; index 3
// (125 kBit/s) is the default. Never translated.
inline QStringList bitrateItems()
{
    return {QStringLiteral("1 MBit/s"),   QStringLiteral("500 kBit/s"), QStringLiteral("250 kBit/s"),
            QStringLiteral("125 kBit/s"), QStringLiteral("50 kBit/s"),  QStringLiteral("20 kBit/s")};
}

inline constexpr int defaultBitrateIndex = 3;
