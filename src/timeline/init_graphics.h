// Start-up of the drawing: the random seed, the global GL state, and the five
// pictures as textures 1 to 5.
#ifndef MARDUNQIST_TIMELINE_INIT_GRAPHICS_H
#define MARDUNQIST_TIMELINE_INIT_GRAPHICS_H

#include <cstdint>
#include <string>

// Seeds the generator from a tick count; sets the GL state that stays for
// the whole run (blending and line smoothing on, the default blend
// function); then loads and uploads the five pictures from a directory (""
// for the working directory), every file taking its texture number, loaded
// or not.
void initGraphics(std::uint32_t seedTicks, const std::string& pictureDirectory = "");

#endif
