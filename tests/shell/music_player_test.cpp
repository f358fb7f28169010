// The live player on tiny generated modules, under SDL's dummy audio driver
// (which calls back in real time).
#include "shell/module_file.h"
#include "shell/music_player.h"
#include "support/special_files.h"
#include "support/tiny_module.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

class MusicPlayerTest : public ::testing::Test {
protected:
    const TempDir temp{"music"};
    const std::string& dir = temp.path;
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
};

} // namespace

TEST_F(MusicPlayerTest, PositionWalksOrdersAndRowsThenStopsAndKeepsTheLast)
{
    // Two orders of 8 rows at 0.03 s a row: about half a second.
    const std::string path = dir + "/two.it";
    writeTinyModule(path, {8, 8});
    MusicPlayer player;
    ASSERT_TRUE(player.init(44100));
    ASSERT_TRUE(player.load(path));
    EXPECT_EQ(player.position(), 0u);
    ASSERT_TRUE(player.play());
    EXPECT_TRUE(player.isActive());

    std::uint32_t lastOrder = 0, maxRow = 0;
    bool sawOrderOne = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (player.isActive() && std::chrono::steady_clock::now() < deadline) {
        const std::uint32_t p = player.position();
        const std::uint32_t order = showmusic::orderOf(p);
        EXPECT_GE(order, lastOrder) << "the position never goes back";
        EXPECT_LE(order, 1u);
        lastOrder = order;
        sawOrderOne = sawOrderOne || order == 1;
        if (order == 0 && showmusic::rowOf(p) > maxRow)
            maxRow = showmusic::rowOf(p);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(player.isActive()) << "the module should have ended within 5 s";
    EXPECT_TRUE(sawOrderOne);
    EXPECT_GT(maxRow, 0u) << "rows advance within an order";
    // After the end the last position stays readable instead of going back to 0.
    EXPECT_EQ(showmusic::orderOf(player.position()), 1u);
    player.free();
    EXPECT_FALSE(player.isActive());
}

TEST_F(MusicPlayerTest, MissingModuleNamesTheFileAndStaysAtOrderZero)
{
    MusicPlayer player;
    ASSERT_TRUE(player.init(44100));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(player.load(dir + "/Vostr_1.it"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Vostr_1.it: No such file or directory"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(player.play());
    EXPECT_EQ(player.position(), 0u);
    EXPECT_FALSE(player.isActive());
}

TEST_F(MusicPlayerTest, GarbageModuleIsRefusedWithLibrarysReason)
{
    const std::string path = dir + "/junk.it";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("this is not a tracker module at all", f);
    std::fclose(f);
    MusicPlayer player;
    ASSERT_TRUE(player.init(44100));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(player.load(path));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("junk.it: "), std::string::npos) << err;
    EXPECT_FALSE(player.isActive());
}

TEST(PositionAfterBlock, TheTailPastTheLastRowKeepsTheLastPosition)
{
    using showmusic::makePosition;
    using showmusic::positionAfterBlock;
    EXPECT_EQ(positionAfterBlock(makePosition(0, 3), makePosition(0, 9)), makePosition(0, 9));
    EXPECT_EQ(positionAfterBlock(makePosition(0, 9), makePosition(1, 0)), makePosition(1, 0));
    EXPECT_EQ(positionAfterBlock(makePosition(37, 95), makePosition(0, 0)), makePosition(37, 95));
    EXPECT_EQ(positionAfterBlock(makePosition(0, 0), makePosition(0, 0)), makePosition(0, 0));
}

TEST_F(MusicPlayerTest, BrokenModulesAreRefusedWithOneLineAndNoMusic)
{
    const std::string good = dir + "/good.it";
    writeTinyModule(good, {8, 8, 8});
    std::vector<char> bytes;
    {
        std::FILE* f = std::fopen(good.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        int c;
        while ((c = std::fgetc(f)) != EOF)
            bytes.push_back(static_cast<char>(c));
        std::fclose(f);
    }
    std::vector<char> noise(4096);
    std::uint32_t state = 99;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    auto write = [&](const std::string& name, const std::vector<char>& content) {
        std::FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (!content.empty())
            std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        return name;
    };
    std::vector<SpecialFile> cases = {
        {write("empty.it", {}), "the file is empty"},
        {write("noise.it", noise), "noise.it: "},
        {write("cut.it", std::vector<char>(bytes.begin(), bytes.begin() + 100)), "cut.it: "},
        // Over the size limit, refused before a byte is read (sparse, so it
        // costs no disk).
        {write("huge.it", {}), "is 300 MiB, more than a module may be (256 MiB)"},
    };
    ASSERT_EQ(truncate((dir + "/huge.it").c_str(), off_t{300} << 20), 0);
    // Only a regular file is read: a FIFO would block the show in its opening
    // scene, /dev/zero would fill the memory.
    for (const SpecialFile& special : makeSpecialFiles(dir, "special", ".it"))
        cases.push_back(special);
    const Deadline deadline(20);
    for (const SpecialFile& c : cases) {
        MusicPlayer player;
        ASSERT_TRUE(player.init(44100));
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(player.load(dir + "/" + c.name)) << c.name;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.name + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(player.play());
        EXPECT_EQ(player.position(), 0u);
        EXPECT_FALSE(player.isActive());
    }
}

TEST_F(MusicPlayerTest, NoSoundDeviceFallsBackToSilentRealTimePlayback)
{
    // A driver that cannot open stands in for a machine without a sound card.
    setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
    const std::string path = dir + "/one.it";
    writeTinyModule(path, {8});
    MusicPlayer player;
    ::testing::internal::CaptureStderr();
    const bool opened = player.init(44100);
    const std::string err = ::testing::internal::GetCapturedStderr();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(opened);
    EXPECT_NE(err.find("no sound device"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;

    ASSERT_TRUE(player.load(path));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(player.play());
    while (player.isActive() && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(player.isActive());
    // Eight rows of 0.03 s: real time, not as fast as the machine can mix.
    EXPECT_GT(seconds, tinyModuleSeconds({8}) * 0.7);
}
