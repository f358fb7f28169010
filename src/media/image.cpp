// A picture's pixels as a GL texture. The file is decoded by the platform's
// decoder (libjpeg natively, the browser's on the web).
#include "media/image.h"

#include "platform/pictures.h"

#include <cstdlib>

int Image::maxSide = 8192;

void Image::refreshMaxSide()
{
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    if (side > 0)
        maxSide = side;
}

bool Image::load(const char* fileName)
{
    release();
    DecodedPicture decoded;
    const bool loaded = decodePicture(fileName, maxSide, &decoded);
    width = decoded.width;
    height = decoded.height;
    components = decoded.components;
    pixels = decoded.pixels;
    return loaded;
}

GLuint Image::upload(bool releaseAfter)
{
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (pixels) {
        const GLenum format = components == 3 ? GL_RGB : GL_RGBA;
        glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    } else {
        const unsigned char black[3] = {0, 0, 0};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, black);
    }
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    if (releaseAfter)
        release();
    return texture;
}

void Image::release()
{
    std::free(pixels);
    pixels = nullptr;
}
