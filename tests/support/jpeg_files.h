// JPEG files for the picture loader's tests, good and bad.
#ifndef MARDUNQIST_TESTS_JPEG_FILES_H
#define MARDUNQIST_TESTS_JPEG_FILES_H

#include <cstdint>
#include <string>
#include <vector>

// Pixel (x, y) of the test pattern, RGB, rows top to bottom.
std::uint8_t patternValue(int x, int y, int channel);

// A baseline JPEG of the test pattern with 3 (RGB) or 1 (grayscale) components.
std::vector<std::uint8_t> makeJpeg(int width, int height, int components, int quality = 95);

// A four-component (CMYK) JPEG, and a progressive RGB one.
std::vector<std::uint8_t> makeCmykJpeg(int width, int height);
std::vector<std::uint8_t> makeProgressiveJpeg(int width, int height);

// A solid-colour RGB JPEG.
std::vector<std::uint8_t> makeSolidJpeg(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

// The same file with its frame header claiming another size.
std::vector<std::uint8_t> withDeclaredSize(std::vector<std::uint8_t> jpeg, int width, int height);

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

#endif
