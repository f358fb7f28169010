// Pictures in the browser: the page fetches the files into the file system
// and has the browser decode the ones worth decoding; loading checks the
// file as the native loader does (a JPEG, three components, complete, not
// larger than the GL takes) and takes the browser's pixels.
#include "web/picture.h"

#include "platform/pictures.h"
#include "platform/program.h"

#include <emscripten/emscripten.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Copies the browser's decoding of `path` as RGB rows into `rgb`; false when
// the page has none of that size.
EM_JS(int, copyDecodedPicture, (const char* path, unsigned char* rgb, int width, int height), {
    const picture = Module.decodedPictures && Module.decodedPictures[UTF8ToString(path)];
    if (!picture || picture.width !== width || picture.height !== height)
        return 0;
    const rgba = picture.data;
    let out = rgb;
    for (let i = 0; i < rgba.length; i += 4) {
        HEAPU8[out++] = rgba[i];
        HEAPU8[out++] = rgba[i + 1];
        HEAPU8[out++] = rgba[i + 2];
    }
    return 1;
});

void reportFailure(const char* fileName, const char* why)
{
    std::fprintf(stderr, "%s: %s: %s\n", programName(), fileName, why);
}

bool readFile(const char* path, std::vector<unsigned char>* bytes, int* error)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        *error = errno;
        return false;
    }
    unsigned char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    std::fclose(file);
    return true;
}

} // namespace

JpegHeader readJpegHeader(const unsigned char* bytes, std::size_t size)
{
    JpegHeader header;
    if (size == 0) {
        std::snprintf(header.problem, sizeof header.problem, "Empty input file");
        return header;
    }
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        std::snprintf(header.problem, sizeof header.problem, "Not a JPEG file: starts with 0x%02x 0x%02x",
                      bytes[0], size > 1 ? bytes[1] : 0);
        return header;
    }
    std::size_t at = 2;
    bool frameSeen = false;
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {
            ++at;
            continue;
        }
        const unsigned char marker = bytes[at + 1];
        at += 2;
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            if (marker == 0xFF)
                --at;  // fill byte: the marker follows
            continue;
        }
        if (marker == 0xD9)
            break;
        if (at + 2 > size)
            break;
        const std::size_t length = static_cast<std::size_t>(bytes[at]) << 8 | bytes[at + 1];
        const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                                  marker != 0xCC;
        if (startOfFrame && at + 8 <= size) {
            header.height = bytes[at + 3] << 8 | bytes[at + 4];
            header.width = bytes[at + 5] << 8 | bytes[at + 6];
            header.components = bytes[at + 7];
            frameSeen = true;
        }
        if (marker == 0xDA) {
            // The scan: its data runs to the end of the picture.
            for (std::size_t i = size; !header.complete && i >= at + 2; --i)
                header.complete = bytes[i - 2] == 0xFF && bytes[i - 1] == 0xD9;
            break;
        }
        at += length;
    }
    if (!frameSeen)
        std::snprintf(header.problem, sizeof header.problem, "Premature end of JPEG file");
    else if (header.width == 0 || header.height == 0)
        std::snprintf(header.problem, sizeof header.problem, "Empty JPEG image (DNL not supported)");
    return header;
}

extern "C" EMSCRIPTEN_KEEPALIVE int webPictureWorthDecoding(const char* path)
{
    std::vector<unsigned char> bytes;
    int error = 0;
    if (!readFile(path, &bytes, &error))
        return 0;
    const JpegHeader header = readJpegHeader(bytes.data(), bytes.size());
    return header.readable() && header.complete && header.components == 3 && header.width <= largestDecodedSide &&
           header.height <= largestDecodedSide;
}

bool decodePicture(const char* fileName, int maxSide, DecodedPicture* picture)
{
    std::vector<unsigned char> bytes;
    int error = 0;
    if (!readFile(fileName, &bytes, &error)) {
        reportFailure(fileName, std::strerror(error));
        return false;
    }
    const JpegHeader header = readJpegHeader(bytes.data(), bytes.size());
    if (!header.readable()) {
        reportFailure(fileName, header.problem);
        return false;
    }
    if (header.width > maxSide || header.height > maxSide) {
        char why[96];
        std::snprintf(why, sizeof why, "picture of %dx%d is larger than the %dx%d the GL accepts", header.width,
                      header.height, maxSide, maxSide);
        reportFailure(fileName, why);
        return false;
    }
    if (!header.complete) {
        reportFailure(fileName, "Premature end of JPEG file");
        return false;
    }
    if (header.components != 3) {
        char why[64];
        std::snprintf(why, sizeof why, "has %d colour components; the show needs 3 (RGB)", header.components);
        reportFailure(fileName, why);
        return false;
    }
    picture->width = header.width;
    picture->height = header.height;
    picture->components = 3;
    unsigned char* pixels = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(header.width) * header.height * 3));
    if (!pixels || !copyDecodedPicture(fileName, pixels, header.width, header.height)) {
        reportFailure(fileName, pixels ? "the browser cannot decode it" : "out of memory");
        std::free(pixels);
        return false;
    }
    picture->pixels = pixels;
    return true;
}
