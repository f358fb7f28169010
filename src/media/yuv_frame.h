// Frames for a video encoder: RGBA as GL reads it (bottom row first) made
// into planar YUV 4:2:0, top row first, BT.709 with limited range (16-235),
// as every video of the show is tagged. The native capture and the page's
// video export both convert here, not in ffmpeg or the browser, so their
// colours agree; ffmpeg's pipe then carries 1.5 bytes a pixel instead of 4,
// and the flip comes free.
#ifndef MARDUNQIST_MEDIA_YUV_FRAME_H
#define MARDUNQIST_MEDIA_YUV_FRAME_H

#include <cstddef>
#include <cstdint>

// Y plane, then Cb, then Cr; each chroma plane is (width+1)/2 x (height+1)/2.
std::size_t yuv420Bytes(int width, int height);

// Each chroma sample is the mean of its 2x2 pixels (fewer at an odd edge).
void rgbaToYuv420(const std::uint8_t* rgbaBottomUp, int width, int height, std::uint8_t* yuv);

#endif
