// What every benchmark of the whole show shares: its options, read by one
// parser, and the show itself, stepped through the capture's own stepper on
// a headless context.
#ifndef MARDUNQIST_BENCH_BENCH_SHOW_H
#define MARDUNQIST_BENCH_BENCH_SHOW_H

#include "platform/headless_gl.h"
#include "seams/frame_clock.h"
#include "timeline/offline_show.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct BenchShowOptions {
    std::string dataDir = ".";
    int width = 1024;
    int height = 768;
    FrameRate fps;
    std::optional<std::uint64_t> frames;
    std::optional<double> seconds;
    std::uint32_t seedTick = 4200000;  // the capture tool's default
};

// The usage lines of the options above.
extern const char* const benchShowUsage;

// One of a benchmark's own options: with a value, apply gets it; a flag,
// apply gets nullptr. apply says whether the value is good.
struct BenchOption {
    const char* name;
    bool takesValue;
    std::function<bool(const char* value)> apply;
};

// The shared options and the benchmark's own, in any order. False on an
// unknown option, a missing value or one that cannot be read.
bool parseBenchOptions(int argc, char** argv, const std::vector<BenchOption>& own, BenchShowOptions* options);

// The module of the data folder, a headless context of the size asked for,
// and the show started on it.
class BenchShow {
public:
    // False with the reason when the module or the context cannot be had.
    bool open(const BenchShowOptions& options, std::string* error);

    OfflineShow& show() { return *show_; }
    HeadlessGL& gl() { return gl_; }

    // The frames to step: what --frames and --seconds allow, else the whole show.
    std::uint64_t frameLimit() const { return frameLimit_; }

private:
    std::unique_ptr<ModuleRenderer> module_;
    HeadlessGL gl_;
    std::unique_ptr<OfflineShow> show_;
    std::uint64_t frameLimit_ = OfflineShow::noLimit;
};

#endif
