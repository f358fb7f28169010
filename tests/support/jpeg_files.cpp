#include "support/jpeg_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

std::uint8_t patternValue(int x, int y, int channel)
{
    // Smooth ramps survive JPEG compression with small errors.
    switch (channel) {
    case 0: return static_cast<std::uint8_t>(x * 255 / 63 % 256);
    case 1: return static_cast<std::uint8_t>(y * 255 / 63 % 256);
    default: return 128;
    }
}

namespace {

std::vector<std::uint8_t> compress(int width, int height, int components, int quality,
                                   const std::vector<std::uint8_t>& pixels, bool progressive = false)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : components == 4 ? JCS_CMYK : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    free(out);
    return bytes;
}

} // namespace

std::vector<std::uint8_t> makeJpeg(int width, int height, int components, int quality)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                pixels.push_back(patternValue(x, y, c));
    return compress(width, height, components, quality, pixels);
}

std::vector<std::uint8_t> makeCmykJpeg(int width, int height)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4, 100);
    return compress(width, height, 4, 90, pixels);
}

std::vector<std::uint8_t> makeProgressiveJpeg(int width, int height)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                pixels.push_back(patternValue(x, y, c));
    return compress(width, height, 3, 90, pixels, true);
}

std::vector<std::uint8_t> makeSolidJpeg(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.push_back(r);
        pixels.push_back(g);
        pixels.push_back(b);
    }
    return compress(width, height, 3, 100, pixels);
}

std::vector<std::uint8_t> withDeclaredSize(std::vector<std::uint8_t> jpeg, int width, int height)
{
    // SOF0 (FF C0): length(2) precision(1) height(2) width(2).
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height & 0xFF);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width & 0xFF);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no baseline frame header found";
    return jpeg;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}
