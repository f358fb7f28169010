#include "bench_show.h"

#include "capture_options.h"

#include "seams/show_files.h"
#include "shell/module_file.h"

#include <cstdlib>
#include <cstring>

const char* const benchShowUsage =
    "  --data DIR      the show's files (default: the working directory)\n"
    "  --size WxH      the canvas (default 1024x768)\n"
    "  --fps RATE      frames a second, N or N/D (default 60)\n"
    "  --seconds S     the first S seconds of the show only\n"
    "  --frames N      the first N frames only\n"
    "  --seed-tick T   the seed's tick count (default 4200000)\n";

namespace {

bool readCount(const char* text, std::uint64_t* value)
{
    char* end = nullptr;
    *value = std::strtoull(text, &end, 10);
    return end != text && *end == 0;
}

bool readSeconds(const char* text, double* value)
{
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == 0 && *value >= 0;
}

} // namespace

bool parseBenchOptions(int argc, char** argv, const std::vector<BenchOption>& own, BenchShowOptions* o)
{
    std::vector<BenchOption> options = {
        {"--data", true,
         [o](const char* v) {
             o->dataDir = v;
             return true;
         }},
        {"--size", true, [o](const char* v) { return parseSize(v, &o->width, &o->height); }},
        {"--fps", true, [o](const char* v) { return parseFrameRate(v, &o->fps); }},
        {"--seconds", true, [o](const char* v) { return readSeconds(v, &o->seconds.emplace()); }},
        {"--frames", true, [o](const char* v) { return readCount(v, &o->frames.emplace()); }},
        {"--seed-tick", true,
         [o](const char* v) {
             std::uint64_t tick = 0;
             if (!readCount(v, &tick) || tick > UINT32_MAX)
                 return false;
             o->seedTick = static_cast<std::uint32_t>(tick);
             return true;
         }},
    };
    options.insert(options.end(), own.begin(), own.end());
    for (int i = 1; i < argc; ++i) {
        const BenchOption* match = nullptr;
        for (const BenchOption& option : options) {
            if (std::strcmp(argv[i], option.name) == 0)
                match = &option;
        }
        if (!match || (match->takesValue && i + 1 == argc))
            return false;
        if (!match->apply(match->takesValue ? argv[++i] : nullptr))
            return false;
    }
    return true;
}

bool BenchShow::open(const BenchShowOptions& options, std::string* error)
{
    module_ = OpenmptRenderer::open(options.dataDir + "/" + moduleFileName, error);
    if (!module_)
        return false;
    if (!gl_.open(options.width, options.height, error)) {
        *error = "no OpenGL context: " + *error;
        return false;
    }
    show_ = std::make_unique<OfflineShow>(options.fps, module_.get());
    frameLimit_ = show_->frameLimit(options.frames, options.seconds);
    show_->start(options.seedTick, options.dataDir);
    return true;
}
