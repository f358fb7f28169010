// Decoding the show's pictures, each platform with its own decoder (libjpeg
// on Linux and Windows, the browser's on the web) and the same rules
// everywhere: a three-component JPEG, no side beyond the size the GL takes,
// and a picture that cannot be decoded fails its load without ending the
// program. Natively only a regular file is read, so a FIFO or a device
// cannot hang the show before its first frame.
#ifndef MARDUNQIST_PLATFORM_PICTURES_H
#define MARDUNQIST_PLATFORM_PICTURES_H

struct DecodedPicture {
    int width = 0;                    // as the file declares them, once read
    int height = 0;
    int components = 0;               // 3 (RGB) on success
    unsigned char* pixels = nullptr;  // RGB rows top to bottom, from std::malloc; null on failure
};

// Decodes fileName, refusing a side larger than maxSide before any pixel
// buffer is allocated. False on any failure, with one line on stderr
// ("PROGRAM: FILE: reason"), and then no pixels.
bool decodePicture(const char* fileName, int maxSide, DecodedPicture* picture);

#endif
