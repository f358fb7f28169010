// The page's canvas "#show" as the show draws on it: a WebGL 2 context with
// the show's canvas framebuffer, presented as drawn or through the gentle
// filter. The live show (web_show.cpp) and the page's captures
// (web_capture.cpp) open it the same way. One thread: the page's.
#ifndef MARDUNQIST_WEB_PAGE_CANVAS_H
#define MARDUNQIST_WEB_PAGE_CANVAS_H

#include <cstdint>

// Where the page writes the six files it fetched.
constexpr const char* pageDataFolder = "/show";

// Opens the context and the canvas framebuffer at width x height, closing
// any earlier one. False after one line on the console.
bool openPageCanvas(int width, int height, bool gentle);
void closePageCanvas();

// The show's presenter: the canvas to the page, filtered when gentle.
void presentToPage();

// The frame last presented as RGBA rows, bottom row first (the canvas, or
// with gentle what the filter showed); valid until the next call.
const std::uint8_t* presentedPixels();

int pageCanvasWidth();
int pageCanvasHeight();

#endif
