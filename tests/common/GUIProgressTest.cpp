#include "common/GUIProgress.h"

#include <gtest/gtest.h>

#include <thread>

TEST(GUIProgress, WorkerLinesArriveInOrderWhileTheWindowReads)
{
    veldris::GUIProgress progress;
    progress.running = true;
    std::thread worker([&progress] {
        for (int i = 0; i < 500; ++i) {
            progress.addLine("line " + std::to_string(i));
            progress.setProgress(static_cast<std::uint32_t>(i / 5));
        }
        progress.running = false;
    });
    std::uint32_t seen = 0;
    while (progress.running || seen < progress.lineCount()) {
        if (seen < progress.lineCount()) {
            ASSERT_EQ(progress.line(seen), "line " + std::to_string(seen));
            ++seen;
        }
        EXPECT_LE(progress.progressValue(), 100u);
    }
    worker.join();
    EXPECT_EQ(seen, 500u);
    EXPECT_EQ(progress.progressValue(), 99u);
}

TEST(GUIProgress, EmptyValuesOutsideTheLines)
{
    veldris::GUIProgress progress;
    EXPECT_EQ(progress.lineCount(), 0u);
    EXPECT_EQ(progress.line(0), "");
    EXPECT_EQ(progress.progressValue(), 0u);
    EXPECT_FALSE(progress.running);
}
