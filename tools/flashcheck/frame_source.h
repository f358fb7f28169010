// The frames the flash checker reads: a video, decoded to RGB by ffmpeg (a
// child process), or a folder of PNG frames in the order of their names.
#ifndef MARDUNQIST_FLASHCHECK_FRAME_SOURCE_H
#define MARDUNQIST_FLASHCHECK_FRAME_SOURCE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// How a video's YUV becomes RGB: by the matrix the file is tagged with
// (BT.601 when it has none), or by one given whatever the tag says (as
// OpenCV reads every file with BT.601).
enum class YuvMatrix { tagged, bt601, bt709 };

class FrameSource {
public:
    virtual ~FrameSource() = default;

    // The next frame's RGB rows, top first, into `rgb`. False at the end,
    // and on a failure, with "FILE: why" in *error.
    virtual bool next(std::vector<std::uint8_t>& rgb, std::string* error) = 0;

    int width = 0;
    int height = 0;
    double framesPerSecond = 0;
    std::string description;  // "640x360, 25 fps, H.264 (BT.601)", for the user
};

// A folder's PNGs (at `framesPerSecond`, 60 when not given), or a video (at
// its own rate unless one is given). nullptr with "PATH: why" in *error.
std::unique_ptr<FrameSource> openFrames(const std::string& path, std::optional<double> framesPerSecond,
                                        YuvMatrix matrix, std::string* error);

#endif
