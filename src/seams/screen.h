// The screen the show draws into, and the seam that presents it.
//
// The show never clears its colour buffer: each frame draws over the last. A
// window's back buffer is undefined after a swap, so the show draws into a
// Canvas instead, an offscreen framebuffer (RGBA colour, 16-bit depth) of the
// display mode chosen, bound once and left bound. Presenting copies it to
// the window (live) or does nothing (headless: tests read the canvas back).
// The window may be any size (a desktop's full screen, a tiling window
// manager, a resize): the canvas keeps its size and shape, and is shown in
// the largest centred rectangle of its shape, black around it.
// Needs a current GL context with framebuffer objects (GL 3.0 or the ARB
// extension, which every Mesa driver has).
#ifndef MARDUNQIST_SEAMS_SCREEN_H
#define MARDUNQIST_SEAMS_SCREEN_H

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

// Where a picture of one size is shown in a window of another: the largest
// rectangle of the picture's shape that fits, centred (in pixels, from the
// window's bottom-left corner, as GL counts).
struct ShownRect {
    int x = 0, y = 0, width = 0, height = 0;
};

ShownRect fitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);

class Canvas {
public:
    // Makes the framebuffer, binds it for drawing and reading, sets the viewport
    // to all of it and clears it to black once. False with a reason on failure.
    bool create(int width, int height, std::string* error);
    void destroy();

    // Copies the canvas to the context's default framebuffer (of the given
    // size) into fitPicture's rectangle, black around it: pixel for pixel
    // where the sizes agree, else scaled with linear filtering. Binds the
    // canvas again.
    void copyToWindow(int windowWidth, int windowHeight) const;

    // The same from another framebuffer of the canvas's size (a filtered
    // copy of it); the canvas is bound again afterwards.
    void copyToWindowFrom(GLuint framebuffer, int windowWidth, int windowHeight) const;

    // Reads the whole canvas as RGBA rows, bottom row first (GL's order).
    std::vector<std::uint8_t> readRGBA() const;

    int width() const { return width_; }
    int height() const { return height_; }
    bool isOpen() const { return framebuffer_ != 0; }

private:
    int width_ = 0;
    int height_ = 0;
    GLuint framebuffer_ = 0;
    GLuint colorBuffer_ = 0;
    GLuint depthBuffer_ = 0;
};

namespace showscreen {

using PresentFn = void (*)();

// Called by the frame composer at the end of every frame.
void present();

// The shell or a test says what presenting means; nullptr for nothing.
void setPresenter(PresentFn fn);

} // namespace showscreen

#endif
