#include "common/GUIProgress.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Lets a test hold the lock as a slow window would.
struct HeldProgress : veldris::GUIProgress {
    using GUIProgress::lock;
};

} // namespace

TEST(GUIProgress, WorkerLinesArriveInOrderWhileTheWindowReads)
{
    veldris::GUIProgress progress;
    progress.running = true;
    std::thread worker([&progress] {
        for (int i = 0; i < 500; ++i) {
            progress.addLine("line " + std::to_string(i));
            progress.setProgress(static_cast<std::uint32_t>(i / 5));
        }
        progress.finish();
    });
    std::uint32_t seen = 0;
    while (progress.running || seen < progress.lineCount()) {
        std::string line;
        if (progress.readLine(seen, line)) {
            ASSERT_EQ(line, "line " + std::to_string(seen));
            ++seen;
        }
        EXPECT_LE(progress.progressValue(), 100u);
    }
    worker.join();
    EXPECT_EQ(seen, 500u);
    EXPECT_EQ(progress.progressValue(), 99u);
}

// A line that waited 100 ms in vain is kept back and comes, in order, with the next line or at
// the end; a read that does not get the lock says so instead of giving an empty line.
TEST(GUIProgress, LinesThatMissTheLockAreAppendedLaterInOrder)
{
    HeldProgress progress;
    progress.running = true;
    std::string text = "untouched";
    {
        const std::lock_guard slowWindow(progress.lock);
        std::thread([&progress] { progress.addLine("first"); }).join();
        std::thread([&progress, &text] { EXPECT_FALSE(progress.readLine(0, text)); }).join();
    }
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(progress.lineCount(), 0u);
    progress.addLine("second");
    ASSERT_EQ(progress.lineCount(), 2u);
    EXPECT_EQ(progress.line(0), "first");
    EXPECT_EQ(progress.line(1), "second");
    {
        const std::lock_guard slowWindow(progress.lock);
        std::thread([&progress] { progress.addLine("third"); }).join();
    }
    progress.finish();
    EXPECT_EQ(progress.lineCount(), 3u);
    EXPECT_EQ(progress.line(2), "third");
    EXPECT_EQ(progress.line(3), "") << "past the end";
}
