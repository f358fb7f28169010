// The capture tool on modules that do not follow the show's timeline: it must
// end when their music ends instead of running forever.
#include "support/tiny_module.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct CaptureRun {
    int status;
    int frames;
    std::string lastRow;
};

CaptureRun capture(const std::string& dataDir, const std::string& extra = "")
{
    const std::string out = dataDir + "/timeline.csv";
    const std::string command = std::string(MARDUNQIST_CAPTURE_BIN) + " --quiet --size 64x48 --fps 30 --data " +
                                dataDir + " --timeline " + out + " " + extra + " " + dataDir + "/frames/ 2>" +
                                dataDir + "/stderr.txt";
    CaptureRun run{std::system(command.c_str()), 0, ""};
    std::ifstream csv(out);
    std::string line;
    std::getline(csv, line);
    while (std::getline(csv, line)) {
        ++run.frames;
        run.lastRow = line;
    }
    return run;
}

} // namespace

TEST(CaptureModules, SongEndingAtOrderFiveStopsWhenItsMusicStops)
{
    const TempDir temp("capture-order5");
    const std::string& dir = temp.path;
    const std::vector<int> orders = {8, 8, 8, 8, 8, 8};  // orders 0 to 5
    writeTinyModule(dir + "/Vostr_1.it", orders);
    const CaptureRun run = capture(dir);
    ASSERT_EQ(run.status, 0);
    const int expected = static_cast<int>(tinyModuleSeconds(orders) * 30);
    EXPECT_NEAR(run.frames, expected, 3);
    EXPECT_EQ(run.lastRow.substr(run.lastRow.rfind(',') + 1), "0") << run.lastRow;
}

TEST(CaptureModules, SongThatNeverReachesTheCreditsStopsToo)
{
    const TempDir temp("capture-nocredits");
    const std::string& dir = temp.path;
    std::vector<int> orders(33, 2);  // orders 0 to 32, and 32 is too short for the ending
    writeTinyModule(dir + "/Vostr_1.it", orders);
    const CaptureRun run = capture(dir);
    ASSERT_EQ(run.status, 0);
    EXPECT_NEAR(run.frames, static_cast<int>(tinyModuleSeconds(orders) * 30), 3);
}

TEST(CaptureModules, NoMusicWithALengthCapturesSilence)
{
    const TempDir temp("capture-nomusic");
    const std::string& dir = temp.path;
    const CaptureRun run = capture(dir, "--frames 12");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.frames, 12);
    std::ifstream err(dir + "/stderr.txt");
    std::string line;
    std::getline(err, line);
    EXPECT_NE(line.find("Vostr_1.it: No such file or directory"), std::string::npos) << line;
}
