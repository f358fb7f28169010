// Where a benchmark sends the show's frames to be kept: a video or a folder,
// made by the capture tool's own outputs with its defaults, replacing an
// earlier one.
#ifndef MARDUNQIST_BENCH_BENCH_OUTPUT_H
#define MARDUNQIST_BENCH_BENCH_OUTPUT_H

#include "outputs.h"

#include <memory>
#include <string>

inline std::unique_ptr<CaptureOutput> openBenchOutput(const std::string& output, FrameRate fps, int width,
                                                      int height, int sampleRate, std::string* error)
{
    CaptureOptions capture;
    capture.output = output;
    capture.fps = fps;
    capture.width = width;
    capture.height = height;
    capture.force = true;
    return openCaptureOutput(capture, sampleRate, error);
}

#endif
