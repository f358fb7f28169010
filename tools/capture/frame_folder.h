// A capture into a folder: numbered PNG frames (frame-000000.png ...) and
// audio.wav, written into a temporary folder beside the requested one, which
// takes its name (or trades places with an earlier capture) at the end.
#ifndef MARDUNQIST_CAPTURE_FRAME_FOLDER_H
#define MARDUNQIST_CAPTURE_FRAME_FOLDER_H

#include "outputs.h"

#include <memory>
#include <string>
#include <vector>

// `folder` as checkCaptureFolder gave it; messages name files as in `shownAs`,
// the OUTPUT the user wrote.
// One frame as an RGB PNG (alpha dropped), rows given bottom first; false
// with "FILE: why".
bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgbaBottomUp,
              std::string* error);

std::unique_ptr<CaptureOutput> makeFrameFolderOutput(const std::string& folder, const std::string& shownAs,
                                                     const CaptureOptions& options, int sampleRate);

#endif
