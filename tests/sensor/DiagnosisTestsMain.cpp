// The timing diagnosis on the simulated bus of tests/scenarios/diagnosis.ini.

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::setenv("VELDRIS_SIM_SCENARIO", VELDRIS_SOURCE_DIR "/tests/scenarios/diagnosis.ini", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
