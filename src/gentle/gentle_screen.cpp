#define GL_GLEXT_PROTOTYPES
#include "gentle/gentle_screen.h"

#include <GL/glext.h>

const std::vector<std::uint8_t>& GentleScreen::filteredFrame(const Canvas& canvas, double timeMs)
{
    drawn_ = canvas.readRGBA();
    filter_.apply(drawn_, canvas.width(), canvas.height(), timeMs, shown_);
    return shown_;
}

void GentleScreen::present(const Canvas& canvas, int windowWidth, int windowHeight, double timeMs)
{
    filteredFrame(canvas, timeMs);
    if (texture_ == 0) {
        width_ = canvas.width();
        height_ = canvas.height();
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    }
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, shown_.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    canvas.copyToWindowFrom(framebuffer_, windowWidth, windowHeight);
}

void GentleScreen::destroy()
{
    if (framebuffer_ != 0)
        glDeleteFramebuffers(1, &framebuffer_);
    if (texture_ != 0)
        glDeleteTextures(1, &texture_);
    framebuffer_ = texture_ = 0;
    width_ = height_ = 0;
    filter_ = GentleFilter{};
}
