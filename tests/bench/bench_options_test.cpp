// The benchmarks' one option parser.
#include "bench_show.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The frames a benchmark steps for these arguments.
std::uint64_t framesFor(std::vector<std::string> args)
{
    args.insert(args.begin(), "bench");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    BenchShowOptions options;
    EXPECT_TRUE(parseBenchOptions(static_cast<int>(argv.size()), argv.data(), {}, &options));
    return OfflineShow(options.fps, nullptr).frameLimit(options.frames, options.seconds);
}

} // namespace

TEST(BenchOptions, SecondsCountAtTheFrameRateWhereverItIsGiven)
{
    EXPECT_EQ(framesFor({"--seconds", "2", "--fps", "30"}), 60u);
    EXPECT_EQ(framesFor({"--fps", "30", "--seconds", "2"}), 60u);
    EXPECT_EQ(framesFor({"--seconds", "2", "--fps", "30", "--frames", "10"}), 10u);
}
