#pragma once

#include "can/Bitrates.h"

#include <QStringList>

// The captions of the bit-rate combo boxes, in the order of the adapter's bit-rate index.
inline QStringList bitrateItems()
{
    QStringList items;
    for (const veldris::Bitrate& rate : veldris::bitrates)
        items << QString::fromLatin1(rate.caption);
    return items;
}
