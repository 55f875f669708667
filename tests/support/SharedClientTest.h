#pragma once

#include "canopen/CanOpenClient.h"

#include "support/QuietDiagnostics.h"

// A fixture for tests on the simulated bus: one client for the whole test program, its bus
// opened at 125 kbit/s before each test; the readers' diagnostic lines are dropped.
class SharedClientTest : public QuietDiagnostics {
protected:
    void SetUp() override
    {
        QuietDiagnostics::SetUp();
        ASSERT_TRUE(client().connectAdapter(0, 3));
    }

    static veldris::CanOpenClient& client()
    {
        static veldris::CanOpenClient shared;
        return shared;
    }
};
