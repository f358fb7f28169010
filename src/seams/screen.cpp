#define GL_GLEXT_PROTOTYPES
#include "seams/screen.h"

#include <GL/glext.h>

ShownRect fitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight)
{
    ShownRect rect;
    if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0)
        return rect;
    // Compared in 64 bits: a wide window's pixels times a tall picture's.
    const auto ww = static_cast<long long>(windowWidth), wh = static_cast<long long>(windowHeight);
    if (ww * pictureHeight >= wh * pictureWidth) {
        rect.height = windowHeight;
        rect.width = static_cast<int>(wh * pictureWidth / pictureHeight);
    } else {
        rect.width = windowWidth;
        rect.height = static_cast<int>(ww * pictureHeight / pictureWidth);
    }
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}

bool Canvas::create(int width, int height, std::string* error)
{
    destroy();
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(1, &colorBuffer_);
    glGenRenderbuffers(1, &depthBuffer_);

    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);

    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        if (error)
            *error = "canvas framebuffer incomplete (status 0x" + std::to_string(status) + ")";
        destroy();
        return false;
    }
    width_ = width;
    height_ = height;

    // A window's viewport starts as its client area; the canvas stands in for
    // it, so it starts the same way. Nothing in the show sets a viewport.
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);

    // The only colour clear the canvas ever gets: new memory is undefined.
    GLfloat previous[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, previous);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(previous[0], previous[1], previous[2], previous[3]);
    return true;
}

void Canvas::destroy()
{
    if (framebuffer_ != 0) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer_);
    }
    if (colorBuffer_ != 0)
        glDeleteRenderbuffers(1, &colorBuffer_);
    if (depthBuffer_ != 0)
        glDeleteRenderbuffers(1, &depthBuffer_);
    framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
    width_ = height_ = 0;
}

void Canvas::copyToWindow(int windowWidth, int windowHeight) const
{
    copyToWindowFrom(framebuffer_, windowWidth, windowHeight);
}

void Canvas::copyToWindowFrom(GLuint framebuffer, int windowWidth, int windowHeight) const
{
    const ShownRect shown = fitPicture(width_, height_, windowWidth, windowHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    if (shown.width != windowWidth || shown.height != windowHeight) {
        // The window's back buffer is undefined after a swap: the bands
        // beside the picture are cleared every frame, and only they.
        GLfloat previous[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, previous);
        glClearColor(0, 0, 0, 1);
        glEnable(GL_SCISSOR_TEST);
        if (shown.x > 0) {
            glScissor(0, 0, shown.x, windowHeight);
            glClear(GL_COLOR_BUFFER_BIT);
            glScissor(shown.x + shown.width, 0, windowWidth - shown.x - shown.width, windowHeight);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        if (shown.y > 0) {
            glScissor(0, 0, windowWidth, shown.y);
            glClear(GL_COLOR_BUFFER_BIT);
            glScissor(0, shown.y + shown.height, windowWidth, windowHeight - shown.y - shown.height);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glDisable(GL_SCISSOR_TEST);
        glClearColor(previous[0], previous[1], previous[2], previous[3]);
    }
    const bool sameSize = shown.width == width_ && shown.height == height_;
    glBlitFramebuffer(0, 0, width_, height_, shown.x, shown.y, shown.x + shown.width, shown.y + shown.height,
                      GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

std::vector<std::uint8_t> Canvas::readRGBA() const
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_) * height_ * 4);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    return pixels;
}

namespace showscreen {
namespace {

PresentFn presenter = nullptr;

} // namespace

void present()
{
    if (presenter)
        presenter();
}

void setPresenter(PresentFn fn)
{
    presenter = fn;
}

} // namespace showscreen
