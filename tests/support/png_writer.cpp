#include "support/png_writer.h"

#include <png.h>

#include <cstdio>

bool writePngBottomUp(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& rgba)
{
    // The canvas's alpha is whatever blending left there; what is seen is RGB.
    std::vector<std::uint8_t> rgb;
    rgb.reserve(rgba.size() / 4 * 3);
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative stride walks the rows from the last in memory to the first.
    const int stride = -3 * width;
    const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), stride, nullptr) != 0;
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
    return ok;
}
