// What the browser platform knows of a JPEG file before the browser decodes
// it: enough to refuse, with the native loader's words, what the show cannot
// use, and to spare the browser decoding it.
#ifndef MARDUNQIST_WEB_PICTURE_H
#define MARDUNQIST_WEB_PICTURE_H

#include <cstddef>

struct JpegHeader {
    int width = 0;
    int height = 0;
    int components = 0;
    bool complete = false;          // the picture's end marker is there
    char problem[64] = {};          // why it is no usable JPEG at all; empty if none

    bool readable() const { return problem[0] == 0; }
};

// Reads the markers up to the first scan.
JpegHeader readJpegHeader(const unsigned char* bytes, std::size_t size);

// The page has the browser decode no picture larger than this on a side; the
// loader refuses what the GL cannot take anyway.
constexpr int largestDecodedSide = 16384;

#endif
