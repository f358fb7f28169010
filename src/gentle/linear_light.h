// sRGB bytes and linear light. The show's pixels are sRGB-encoded 8-bit
// values; brightness as an eye and the flash check see it is relative
// luminance, a weighted sum of the linear (decoded) channels.
#ifndef MARDUNQIST_GENTLE_LINEAR_LIGHT_H
#define MARDUNQIST_GENTLE_LINEAR_LIGHT_H

#include <cstdint>

namespace linearlight {

// The sRGB transfer function's inverse, 0..1 for a byte.
double decode(std::uint8_t value);

// Relative luminance of an sRGB pixel, 0..1 (BT.709 primaries).
double luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// decode() for each of the 256 bytes, in single precision.
const float* linearTable();

// Linear light in 16 bits (0..65535) for a byte, and back to the nearest byte.
std::uint16_t decode16(std::uint8_t value);
std::uint8_t encode16(std::uint16_t linear);

} // namespace linearlight

#endif
