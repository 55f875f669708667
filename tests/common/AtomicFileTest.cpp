#include "common/AtomicFile.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

namespace {

auto entriesIn(const std::string& folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

} // namespace

TEST(AtomicFile, ReplacesTheWholeFile)
{
    TemporaryDirectory dir;
    const std::string path = dir.write("out/file.bin", std::string(1000, 'x'));
    ASSERT_TRUE(veldris::writeFileAtomically(path, std::string_view("new\0bytes", 9)));
    EXPECT_EQ(dir.read("out/file.bin"), std::string("new\0bytes", 9));
    EXPECT_EQ(entriesIn(dir.file("out")), 1) << "no temporary file left behind";
}

TEST(AtomicFile, FailureIsReportedAndLeavesNothingBehind)
{
    TemporaryDirectory dir;
    // The target is a folder that holds a file: the rename over it fails.
    dir.write("out/target/keep.txt", "keep");
    std::string error;
    EXPECT_FALSE(veldris::writeFileAtomically(dir.file("out/target"), "data", &error));
    EXPECT_NE(error.find("out/target"), std::string::npos) << error;
    EXPECT_EQ(dir.read("out/target/keep.txt"), "keep");
    EXPECT_EQ(entriesIn(dir.file("out")), 1);

    EXPECT_FALSE(veldris::writeFileAtomically(dir.file("missing/file.txt"), "data", &error));
    EXPECT_NE(error.find("missing/file.txt"), std::string::npos) << error;
}
