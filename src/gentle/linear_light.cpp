#include "gentle/linear_light.h"

#include <array>
#include <cmath>

namespace linearlight {
namespace {

constexpr double redWeight = 0.2126, greenWeight = 0.7152, blueWeight = 0.0722;

double encode(double linear)
{
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

struct Tables {
    float linearOf[256];
    std::array<std::uint16_t, 256> decoded;
    std::array<std::uint8_t, 65536> encoded;

    Tables()
    {
        for (int v = 0; v < 256; ++v) {
            const double linear = decode(static_cast<std::uint8_t>(v));
            linearOf[v] = static_cast<float>(linear);
            decoded[v] = static_cast<std::uint16_t>(std::lround(linear * 65535));
        }
        for (int l = 0; l < 65536; ++l)
            encoded[l] = static_cast<std::uint8_t>(std::lround(encode(l / 65535.0) * 255));
    }
};

// Built once, on first use, and never changed: shared by every thread.
const Tables& tables()
{
    static const Tables built;
    return built;
}

} // namespace

double decode(std::uint8_t value)
{
    const double v = value / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return redWeight * decode(red) + greenWeight * decode(green) + blueWeight * decode(blue);
}

const float* linearTable()
{
    return tables().linearOf;
}

std::uint16_t decode16(std::uint8_t value)
{
    return tables().decoded[value];
}

std::uint8_t encode16(std::uint16_t linear)
{
    return tables().encoded[linear];
}

} // namespace linearlight
