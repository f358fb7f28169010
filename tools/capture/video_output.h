// A capture into a video file, made by ffmpeg: the frames piped into one
// ffmpeg as YUV, the sound into another as it is rendered, each encoding into
// a temporary file beside the output; at the end one more ffmpeg run copies
// both streams into the final file, which only then takes its name.
//
// What each container takes is one row of videoContainers: adding a format
// is adding a row (and its test).
#ifndef MARDUNQIST_CAPTURE_VIDEO_OUTPUT_H
#define MARDUNQIST_CAPTURE_VIDEO_OUTPUT_H

#include "outputs.h"

#include <memory>
#include <string>

enum class PictureCodec { h264, vp9 };

struct VideoContainer {
    const char* extension;     // lower case, with its dot
    PictureCodec picture;
    const char* soundEncoder;  // ffmpeg's name for it
    const char* soundBitRate;
    const char* soundFile;     // the extension of the sound's own file while it is encoded
};

inline constexpr VideoContainer videoContainers[] = {
    {".mp4", PictureCodec::h264, "aac", "192k", ".m4a"},
    {".mkv", PictureCodec::h264, "aac", "192k", ".m4a"},
    {".webm", PictureCodec::vp9, "libopus", "160k", ".mka"},
};

// The row for a file name's extension (any case), or nullptr.
const VideoContainer* findVideoContainer(const std::string& path);

// ".mp4, .mkv or .webm".
std::string videoExtensionList(const char* lastJoin = " or ");

// "H.264", "VP9".
const char* pictureCodecName(PictureCodec codec);

// x264 makes 4:2:0 of whole chroma samples only.
bool needsEvenSize(PictureCodec codec);

std::unique_ptr<CaptureOutput> makeVideoOutput(const VideoContainer& container, const CaptureOptions& options,
                                               int sampleRate);

#endif
