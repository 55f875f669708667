#include "common/AtomicFile.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

// The whole file is replaced, or, when the write fails, whatever stood at the path stays, the
// error names the path, and no temporary file is left behind.
TEST(AtomicFile, ReplacesTheWholeFileOrFailsLeavingNothingBehind)
{
    TemporaryDirectory dir;
    const std::string path = dir.write("out/file.bin", std::string(1000, 'x'));
    ASSERT_TRUE(veldris::writeFileAtomically(path, std::string_view("new\0bytes", 9)));
    EXPECT_EQ(dir.read("out/file.bin"), std::string("new\0bytes", 9));

    // The target is a folder that holds a file: the rename over it fails.
    dir.write("out/target/keep.txt", "keep");
    std::string error;
    EXPECT_FALSE(veldris::writeFileAtomically(dir.file("out/target"), "data", &error));
    EXPECT_NE(error.find("out/target"), std::string::npos) << error;
    EXPECT_EQ(dir.read("out/target/keep.txt"), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("out")), {}), 2);

    EXPECT_FALSE(veldris::writeFileAtomically(dir.file("missing/file.txt"), "data", &error));
    EXPECT_NE(error.find("missing/file.txt"), std::string::npos) << error;
}
