// PNG files of what was drawn, for people to look at.
#ifndef MARDUNQIST_TESTS_PNG_WRITER_H
#define MARDUNQIST_TESTS_PNG_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

// RGBA rows bottom row first (as glReadPixels gives them); written top-down.
bool writePngBottomUp(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& rgba);

#endif
