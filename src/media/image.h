// Pictures: a JPEG file decoded into RGB rows, then turned into a GL texture.
//
// Four guards keep a bad picture from hurting the show: only a regular file
// is opened (a FIFO or device would hang the show before its first frame); a
// file libjpeg cannot decode at all fails the load (it does not end the
// process, which would strand the desktop in the show's display mode); a
// header declaring a size beyond the GL's maximum texture size is refused
// before any pixel buffer is allocated; and an upload with no pixels makes a
// texture of one black texel, which adds nothing where it is drawn.
#ifndef MARDUNQIST_MEDIA_IMAGE_H
#define MARDUNQIST_MEDIA_IMAGE_H

#include <GL/gl.h>

#include <string>

class Image {
public:
    int width = 0;
    int height = 0;
    int components = 0;                 // bytes per pixel: 3 RGB, 4 RGBA
    unsigned char* pixels = nullptr;    // rows top to bottom, owned; null when empty
    GLuint texture = 0;                 // the name made by the last upload

    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() { release(); }

    // Decodes a three-component JPEG. False on any failure, with one line on
    // stderr (after the program's name) naming the file and the reason, and
    // the Image then holds no pixels.
    bool load(const char* fileName);

    // Makes a texture from the pixels (one black texel when there are none),
    // leaves it bound to GL_TEXTURE_2D, and gives the pixels back if asked.
    GLuint upload(bool releaseAfter);

    // Gives the pixels back, if any.
    void release();

    // The largest side a load accepts; set from GL_MAX_TEXTURE_SIZE by
    // refreshMaxSide() (which needs a current context), 8192 until then.
    static int maxSide;
    static void refreshMaxSide();
};

#endif
