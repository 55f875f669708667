// The tests that use threads, on the simulated bus of tests/scenarios/owner.ini. They also run
// built with ThreadSanitizer (scripts/test.sh --tsan).

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::setenv("VELDRIS_SIM_SCENARIO", VELDRIS_SOURCE_DIR "/tests/scenarios/owner.ini", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
