// The command-line tool's progress: report lines as they come, the bar kept below them.

#include "TerminalProgress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string contentOf(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    return text;
}

} // namespace

TEST(TerminalProgress, BarShowsPercentBytesRateAndTimeLeft)
{
    using std::chrono::seconds;
    EXPECT_EQ(TerminalProgress::barText(0, seconds(3), 0, 0, 10), "[..........]   0 %  --:-- left");
    EXPECT_EQ(TerminalProgress::barText(25, seconds(30), 0, 0, 10), "[##........]  25 %  1:30 left");
    EXPECT_EQ(TerminalProgress::barText(100, seconds(61), 0, 0, 10), "[##########] 100 %  0:00 left");
    EXPECT_EQ(TerminalProgress::barText(250, seconds(1), 0, 0, 4), "[####] 100 %  0:00 left");
    EXPECT_EQ(TerminalProgress::barText(40, seconds(10), 26214, 65536, 10),
              "[####......]  40 %  25.6/64.0 KiB  2.6 KiB/s  0:15 left");
    EXPECT_EQ(TerminalProgress::barText(0, seconds(0), 0, 65536, 10),
              "[..........]   0 %  0.0/64.0 KiB  0.0 KiB/s  --:-- left");
}

TEST(TerminalProgress, LinesGoOutAsTheyComeAndTheBarIsRedrawnBelowThem)
{
    std::FILE* lines = std::tmpfile();
    std::FILE* bar = std::tmpfile();
    {
        TerminalProgress progress(lines, bar, false);
        progress.addLine("Section at line 3 was sent successfully");
        progress.setProgress(50);
        progress.addLine("done");
    }
    EXPECT_EQ(contentOf(lines), "Section at line 3 was sent successfully\ndone\n");
    const std::string drawn = contentOf(bar);
    EXPECT_NE(drawn.find("\r\033[K[###############...............]  50 %"), std::string::npos);
    EXPECT_EQ(drawn.back(), '\n') << "the bar's line is ended";
    std::fclose(lines);
    std::fclose(bar);
}

TEST(TerminalProgress, JsonCollectsTheLinesAndPrintsNothing)
{
    std::FILE* lines = std::tmpfile();
    TerminalProgress progress(lines, nullptr, true);
    progress.addLine("first");
    progress.setProgress(100);
    progress.addLine("second");
    EXPECT_EQ(progress.collectedLines(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(contentOf(lines), "");
    std::fclose(lines);
}
