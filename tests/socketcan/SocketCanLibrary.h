#pragma once

#include "can/PcanBasicTypes.h"

#include <dlfcn.h>

// libpcanbasic-socketcan.so, loaded as the program loads an adapter library, and its entry
// points looked up by name: CAN(Read)(...) calls CAN_Read.
inline void* socketCanLibrary()
{
    static void* const module = ::dlopen(VELDRIS_SOCKETCAN_LIBRARY, RTLD_NOW);
    return module;
}

template <class F>
F socketCanEntry(const char* name)
{
    return reinterpret_cast<F>(::dlsym(socketCanLibrary(), name));
}
#define CAN(name) socketCanEntry<CAN_##name##_t>("CAN_" #name)
