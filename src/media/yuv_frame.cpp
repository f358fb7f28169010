#include "media/yuv_frame.h"

namespace {

// BT.709 luma weights, and 16.16 fixed-point factors from full-range RGB to
// limited-range Y'CbCr (219 steps of luma, 224 of chroma, over 255).
constexpr double kr = 0.2126, kb = 0.0722, kg = 1 - kr - kb;
constexpr int fixed(double v)
{
    return static_cast<int>(v * 65536 + (v < 0 ? -0.5 : 0.5));
}
constexpr int yR = fixed(kr * 219 / 255), yG = fixed(kg * 219 / 255), yB = fixed(kb * 219 / 255);
constexpr int cbR = fixed(-kr / (2 * (1 - kb)) * 224 / 255), cbB = fixed(0.5 * 224 / 255);
constexpr int crR = cbB, crB = fixed(-kb / (2 * (1 - kr)) * 224 / 255);
// The middle factor makes each row sum to 0, so a grey has no colour at all.
constexpr int cbG = -cbR - cbB, crG = -crR - crB;

inline std::uint8_t luma(const std::uint8_t* p)
{
    return static_cast<std::uint8_t>((yR * p[0] + yG * p[1] + yB * p[2] + (16 << 16) + (1 << 15)) >> 16);
}

// Cb and Cr of the 2x2 pixels at `top` and `below`, the right ones `right`
// bytes on (0 at an odd edge, where a pixel stands in for its neighbour).
inline void chromaPair(const std::uint8_t* top, const std::uint8_t* below, int right, std::uint8_t* cb,
                       std::uint8_t* cr)
{
    const int r = top[0] + top[right] + below[0] + below[right];
    const int g = top[1] + top[right + 1] + below[1] + below[right + 1];
    const int b = top[2] + top[right + 2] + below[2] + below[right + 2];
    // Sums of four pixels: two more bits to shift away, rounded.
    *cb = static_cast<std::uint8_t>((cbR * r + cbG * g + cbB * b + (128 << 18) + (1 << 17)) >> 18);
    *cr = static_cast<std::uint8_t>((crR * r + crG * g + crB * b + (128 << 18) + (1 << 17)) >> 18);
}

} // namespace

std::size_t yuv420Bytes(int width, int height)
{
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

void rgbaToYuv420(const std::uint8_t* rgbaBottomUp, int width, int height, std::uint8_t* yuv)
{
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const int chromaWidth = (width + 1) / 2;
    std::uint8_t* y = yuv;
    std::uint8_t* cb = yuv + static_cast<std::size_t>(width) * height;
    std::uint8_t* cr = cb + static_cast<std::size_t>(chromaWidth) * ((height + 1) / 2);
    for (int row = 0; row < height; row += 2) {
        // Output rows `row` and `row + 1` are GL's rows from the top down; an
        // odd last row (or column) stands in for its missing neighbour.
        const std::uint8_t* top = rgbaBottomUp + stride * (height - 1 - row);
        const std::uint8_t* below = row + 1 < height ? top - stride : top;
        std::uint8_t* yTop = y + static_cast<std::size_t>(width) * row;
        for (int x = 0; x < width; ++x)
            yTop[x] = luma(top + 4 * x);
        if (row + 1 < height) {
            std::uint8_t* yBelow = yTop + width;
            for (int x = 0; x < width; ++x)
                yBelow[x] = luma(below + 4 * x);
        }
        for (int cx = 0; cx < width / 2; ++cx)
            chromaPair(top + 8 * cx, below + 8 * cx, 4, cb + cx, cr + cx);
        if (width % 2)
            chromaPair(top + 4 * (width - 1), below + 4 * (width - 1), 0, cb + width / 2, cr + width / 2);
        cb += chromaWidth;
        cr += chromaWidth;
    }
}
