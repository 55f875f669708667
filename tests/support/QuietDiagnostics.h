#pragma once

#include "common/Log.h"

#include <gtest/gtest.h>

#include <cstdio>

// Keeps the readers' diagnostic lines ("parsed all sections", the decoder's pattern lines) out
// of the test output: they go to a stream that drops them without a system call, and the
// default stream comes back afterwards.
class QuietDiagnostics : public testing::Test {
protected:
    void SetUp() override
    {
        cookie_io_functions_t drop{};
        drop.write = [](void*, const char*, std::size_t size) -> ssize_t { return static_cast<ssize_t>(size); };
        sink = fopencookie(nullptr, "w", drop);
        veldris::setDiagnosticStream(sink);
    }

    void TearDown() override
    {
        veldris::setDiagnosticStream(nullptr);
        if (sink)
            std::fclose(sink);
    }

private:
    std::FILE* sink = nullptr;
};
