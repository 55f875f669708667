// The long procedures on the simulated bus of a scenario (VELDRIS_TEST_SCENARIO, by default
// tests/scenarios/procedures.ini). The simulator
// records every frame in a trace and saves its sensors' state at every re-opening of the bus,
// both in a folder of this run.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#ifndef VELDRIS_TEST_SCENARIO
#define VELDRIS_TEST_SCENARIO VELDRIS_SOURCE_DIR "/tests/scenarios/procedures.ini"
#endif

namespace {

std::string runFolder;

// Registered before the simulator is loaded, so that it runs after the simulator's own exit
// handler has saved the state one last time.
void removeRunFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(runFolder, ignored);
}

} // namespace

int main(int argc, char** argv)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "veldris-procedures-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    runFolder = pattern;
    std::atexit(removeRunFolder);
    ::setenv("VELDRIS_PCANBASIC", VELDRIS_SIM_LIBRARY, 1);
    ::setenv("VELDRIS_SIM_SCENARIO", VELDRIS_TEST_SCENARIO, 1);
    ::setenv("VELDRIS_SIM_TRACE", (runFolder + "/trace.log").c_str(), 1);
    ::setenv("VELDRIS_SIM_STATE", (runFolder + "/state.json").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
