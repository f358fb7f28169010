// The canvas presented through the gentle filter: read back, filtered on the
// CPU, uploaded into a texture of its own and copied from there to the
// window, scaled as Canvas::copyToWindow scales. The canvas itself is never
// touched, so the show draws over its own last frame as always.
//
// The texture is made at the first present, after the show's pictures have
// taken texture names 1 to 5. Needs a current GL context with framebuffer
// objects; leaves the canvas bound, and another texture bound than before
// (which the show's drawing never relies on).
#ifndef MARDUNQIST_GENTLE_GENTLE_SCREEN_H
#define MARDUNQIST_GENTLE_GENTLE_SCREEN_H

#include "gentle/gentle_filter.h"
#include "seams/screen.h"

#include <GL/gl.h>

#include <cstdint>
#include <vector>

class GentleScreen {
public:
    GentleScreen() = default;
    GentleScreen(const GentleScreen&) = delete;
    GentleScreen& operator=(const GentleScreen&) = delete;
    ~GentleScreen() = default;  // the GL objects go with the context, or with destroy()

    // Shows the canvas's frame, filtered, at show time timeMs. The canvas
    // keeps its size from the first present to destroy().
    void present(const Canvas& canvas, int windowWidth, int windowHeight, double timeMs);

    // The canvas's frame filtered, without presenting it (RGBA rows, bottom
    // row first): for a capture that reads instead of showing.
    const std::vector<std::uint8_t>& filteredFrame(const Canvas& canvas, double timeMs);

    // Deletes the texture and its framebuffer, and the filter starts afresh:
    // for a new show on a new canvas.
    void destroy();

    // The frame last shown (RGBA rows, bottom row first).
    const std::vector<std::uint8_t>& shownFrame() const { return shown_; }

    const GentleFilter& filter() const { return filter_; }

private:
    GentleFilter filter_;
    std::vector<std::uint8_t> drawn_, shown_;
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
    int width_ = 0;
    int height_ = 0;
};

#endif
