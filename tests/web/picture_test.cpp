// What the browser platform reads of a JPEG before the browser decodes it:
// enough to refuse, in the native loader's words, what the show cannot use.
#include "web/picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// SOI, a frame header (SOFn) of the given size and components, a scan, EOI.
Bytes jpegMarkers(unsigned char frameMarker, int width, int height, int components, bool withEnd = true)
{
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F'};
    const int frameLength = 8 + 3 * components;
    b.insert(b.end(), {0xFF, frameMarker, 0x00, static_cast<unsigned char>(frameLength), 8,
                       static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                       static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width),
                       static_cast<unsigned char>(components)});
    for (int c = 0; c < components; ++c)
        b.insert(b.end(), {static_cast<unsigned char>(c + 1), 0x11, 0x00});
    b.insert(b.end(), {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 63, 0, 0x12, 0xFF, 0x00, 0x34});
    if (withEnd)
        b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

JpegHeader read(const Bytes& bytes)
{
    return readJpegHeader(bytes.data(), bytes.size());
}

TEST(JpegHeaderTest, ReadsSizeAndComponentsOfBaselineAndProgressivePictures)
{
    const JpegHeader baseline = read(jpegMarkers(0xC0, 640, 480, 3));
    EXPECT_TRUE(baseline.readable());
    EXPECT_TRUE(baseline.complete);
    EXPECT_EQ(baseline.width, 640);
    EXPECT_EQ(baseline.height, 480);
    EXPECT_EQ(baseline.components, 3);

    const JpegHeader progressive = read(jpegMarkers(0xC2, 300, 7000, 1));
    EXPECT_TRUE(progressive.readable());
    EXPECT_EQ(progressive.height, 7000);
    EXPECT_EQ(progressive.components, 1);
}

TEST(JpegHeaderTest, SaysWhatIsWrongAsTheNativeLoaderDoes)
{
    EXPECT_STREQ(read({}).problem, "Empty input file");
    EXPECT_STREQ(read({'<', 'h', 't'}).problem, "Not a JPEG file: starts with 0x3c 0x68");
    EXPECT_STREQ(read(jpegMarkers(0xC0, 0, 480, 3)).problem, "Empty JPEG image (DNL not supported)");
    // Cut short: in the scan, or before any frame header.
    const JpegHeader truncated = read(jpegMarkers(0xC0, 64, 64, 3, false));
    EXPECT_TRUE(truncated.readable());
    EXPECT_FALSE(truncated.complete);
    const Bytes header = jpegMarkers(0xC0, 64, 64, 3);
    EXPECT_STREQ(read(Bytes(header.begin(), header.begin() + 8)).problem, "Premature end of JPEG file");
}

} // namespace
