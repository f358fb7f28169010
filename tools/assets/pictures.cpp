// The five pictures. The first three are drawn by the show as big, faint,
// tinted, spinning squares added onto the image, so they are bright shapes on
// black whose edges fade to black (the square's outline must not show). The
// last two are the credit cards: light text on black, kept clear of the
// edges, and of the bottom and top where the drifting cards leave the screen.
#include "assets.h"

#include "dsp.h"
#include "typeset.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace assets {
namespace {

constexpr int size = pictureSize;

struct Colour {
    float r, g, b;
};

class Canvas {
public:
    Canvas() : planes{Plane(size, size), Plane(size, size), Plane(size, size)} {}

    void add(int x, int y, Colour c, float amount)
    {
        planes[0].at(x, y) += c.r * amount;
        planes[1].at(x, y) += c.g * amount;
        planes[2].at(x, y) += c.b * amount;
    }
    // Adds a grey plane in one colour.
    void add(const Plane& coverage, Colour c, float amount)
    {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                add(x, y, c, coverage.at(x, y) * amount);
    }
    // Bright values roll off softly instead of clipping flat; `exposure` sets the knee.
    Picture develop(float exposure) const
    {
        Picture p{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 3)};
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                for (int c = 0; c < 3; ++c) {
                    const float v = 1.0f - std::exp(-exposure * std::max(0.0f, planes[c].at(x, y)));
                    p.rgb[(static_cast<std::size_t>(y) * size + x) * 3 + c] =
                        static_cast<std::uint8_t>(std::lround(255.0f * std::clamp(v, 0.0f, 1.0f)));
                }
        return p;
    }

private:
    std::array<Plane, 3> planes;
};

// Position of a pixel's centre, -1 to 1 across the picture, y downward.
double coordinate(int pixel)
{
    return (pixel + 0.5) / (size / 2.0) - 1.0;
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// 1 in the middle, 0 from radius 0.97 out: the picture's border is black all round.
double vignette(double u, double v)
{
    return smoothstep(0.97, 0.62, std::hypot(u, v));
}

// Smooth value noise on an integer lattice, hashed so it needs no tables.
double lattice(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / static_cast<double>(0x1000000);
}

double valueNoise(double x, double y, std::uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double tx = smoothstep(0.0, 1.0, x - fx), ty = smoothstep(0.0, 1.0, y - fy);
    const double top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
    const double bottom = lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

// Fractal noise: octaves of value noise, each twice as fine and half as strong.
double fractalNoise(double x, double y, int octaves, std::uint32_t seed)
{
    double sum = 0.0, amplitude = 0.5, norm = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<std::uint32_t>(o) * 101u);
        norm += amplitude;
        amplitude *= 0.5;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
    }
    return sum / norm;
}

double angleBetween(double a, double b)
{
    double d = std::fmod(a - b, 2.0 * dsp::pi);
    if (d > dsp::pi)
        d -= 2.0 * dsp::pi;
    if (d < -dsp::pi)
        d += 2.0 * dsp::pi;
    return d;
}

// A hot core with a halo and uneven rays, and a scatter of sparks.
Picture paintGlow()
{
    struct Ray {
        double angle, width, reach;
    };
    dsp::Random random(1001);
    std::vector<Ray> rays;
    for (int i = 0; i < 18; ++i)
        rays.push_back({2.0 * dsp::pi * (i + 0.6 * random.unit()) / 18.0, 0.008 + 0.02 * random.unit(),
                        0.15 + 0.45 * random.unit()});
    struct Spark {
        double u, v, radius, brightness;
    };
    std::vector<Spark> sparks;
    for (int i = 0; i < 40; ++i) {
        const double angle = 2.0 * dsp::pi * random.unit();
        const double distance = 0.2 + 0.5 * std::sqrt(random.unit());
        sparks.push_back({distance * std::cos(angle), distance * std::sin(angle), 0.006 + 0.014 * random.unit(),
                          0.4 + 0.8 * random.unit()});
    }

    Canvas canvas;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = coordinate(x), v = coordinate(y);
            const double r = std::hypot(u, v);
            const double theta = std::atan2(v, u);
            const double core = 1.6 * std::exp(-(r / 0.1) * (r / 0.1)) + 0.55 * std::exp(-r / 0.22);
            double rayLight = 0.0;
            for (const Ray& ray : rays) {
                const double across = r * std::sin(std::fabs(angleBetween(theta, ray.angle)));
                const double ahead = std::cos(angleBetween(theta, ray.angle)) > 0 ? 1.0 : 0.0;
                rayLight += ahead * std::exp(-(across / ray.width) * (across / ray.width)) * std::exp(-r / ray.reach);
            }
            double sparkLight = 0.0;
            for (const Spark& s : sparks) {
                const double d = std::hypot(u - s.u, v - s.v) / s.radius;
                sparkLight += s.brightness * std::exp(-d * d);
            }
            const double fade = vignette(u, v);
            canvas.add(x, y, {1.0f, 0.93f, 0.82f}, static_cast<float>(core * fade));
            canvas.add(x, y, {0.85f, 0.9f, 1.0f}, static_cast<float>(0.9 * rayLight * fade));
            canvas.add(x, y, {1.0f, 1.0f, 1.0f}, static_cast<float>(sparkLight * fade));
        }
    }
    return canvas.develop(1.6f);
}

// Concentric rings broken into arcs, over a faint ripple.
Picture paintRings()
{
    struct Ring {
        double radius, width, arcs, phase, brightness;
        Colour colour;
    };
    const Ring rings[] = {
        {0.14, 0.018, 0, 0.0, 1.0, {1.0f, 0.95f, 0.9f}},
        {0.27, 0.012, 3, 0.4, 0.9, {0.9f, 0.95f, 1.0f}},
        {0.38, 0.028, 5, 1.3, 0.7, {1.0f, 0.9f, 0.8f}},
        {0.52, 0.010, 7, 2.1, 1.0, {0.85f, 0.92f, 1.0f}},
        {0.63, 0.020, 2, 0.7, 0.6, {1.0f, 0.95f, 0.9f}},
        {0.74, 0.008, 11, 3.0, 0.8, {0.9f, 0.9f, 1.0f}},
    };
    Canvas canvas;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = coordinate(x), v = coordinate(y);
            const double r = std::hypot(u, v);
            const double theta = std::atan2(v, u);
            const double fade = vignette(u, v);
            for (const Ring& ring : rings) {
                const double d = (r - ring.radius) / ring.width;
                // Arcs: the ring is lit where a slow wave around it is high.
                const double arc = ring.arcs == 0 ? 1.0 : smoothstep(-0.2, 0.5, std::sin(ring.arcs * theta + ring.phase));
                canvas.add(x, y, ring.colour, static_cast<float>(ring.brightness * arc * std::exp(-d * d) * fade));
            }
            const double ripple = 0.5 + 0.5 * std::cos(r * 70.0);
            const double centre = 0.9 * std::exp(-(r / 0.06) * (r / 0.06));
            canvas.add(x, y, {0.8f, 0.85f, 1.0f}, static_cast<float>((0.18 * ripple * std::exp(-r / 0.3) + centre) * fade));
        }
    }
    return canvas.develop(1.8f);
}

// A cloud of swirled noise crossed by fine streaks.
Picture paintNebula()
{
    Canvas canvas;
    const double streakAngle = 0.5;
    const double cs = std::cos(streakAngle), sn = std::sin(streakAngle);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = coordinate(x), v = coordinate(y);
            const double r = std::hypot(u, v);
            // Turn the plane more near the middle: the cloud swirls.
            const double twist = 2.2 * std::exp(-r * 2.0);
            const double su = u * std::cos(twist) - v * std::sin(twist);
            const double sv = u * std::sin(twist) + v * std::cos(twist);
            const double cloudA = fractalNoise(su * 3.0 + 5.0, sv * 3.0 + 3.0, 5, 7);
            const double cloudB = fractalNoise(su * 4.0 - 2.0, sv * 4.0 + 8.0, 5, 19);
            const double along = u * cs + v * sn, across = -u * sn + v * cs;
            const double streak = std::pow(fractalNoise(along * 1.5, across * 28.0, 3, 31), 7.0);
            const double mask = std::exp(-r * r * 3.0) * vignette(u, v);
            const double a = std::pow(std::max(0.0, cloudA - 0.3) * 1.9, 2.0);
            const double b = std::pow(std::max(0.0, cloudB - 0.35) * 2.0, 2.0);
            canvas.add(x, y, {1.0f, 0.85f, 0.75f}, static_cast<float>(1.6 * a * mask));
            canvas.add(x, y, {0.7f, 0.85f, 1.0f}, static_cast<float>(1.3 * b * mask));
            canvas.add(x, y, {1.0f, 1.0f, 1.0f}, static_cast<float>(2.5 * streak * mask));
        }
    }
    return canvas.develop(1.5f);
}

// A separable box blur run three times: close to a Gaussian of about `radius`.
Plane blur(const Plane& source, int radius)
{
    Plane a = source;
    Plane b(source.width, source.height);
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            for (int y = 0; y < a.height; ++y) {
                for (int x = 0; x < a.width; ++x) {
                    float sum = 0.0f;
                    for (int k = -radius; k <= radius; ++k) {
                        const int sx = horizontal ? x + k : x;
                        const int sy = horizontal ? y : y + k;
                        if (sx >= 0 && sy >= 0 && sx < a.width && sy < a.height)
                            sum += a.at(sx, sy);
                    }
                    b.at(x, y) = sum / static_cast<float>(2 * radius + 1);
                }
            }
            std::swap(a, b);
        }
    }
    return a;
}

// The largest size up to `largest` at which `text` fits in `width` pixels.
int fittingSize(Typeface& face, std::string_view text, int width, int largest, int tracking = 0)
{
    int pixelSize = largest;
    while (pixelSize > 8 && face.measure(text, pixelSize, tracking) > width)
        --pixelSize;
    return pixelSize;
}

constexpr int textWidth = 196;  // 30 pixels clear on either side

// The title card: drawn with its middle in the upper part of the screen, so
// the text sits in the middle of the card.
Picture paintTitle()
{
    Typeface bold(fontPath("DejaVuSans-Bold.ttf"));
    Typeface regular(fontPath("DejaVuSans.ttf"));
    Plane text(size, size), rule(size, size);

    const int titleSize = fittingSize(bold, "mardunqist", textWidth, 40);
    const int kickerSize = titleSize * 3 / 5;
    const int gap = titleSize / 2;
    const int block = kickerSize + gap + titleSize;
    const int kickerBaseline = size / 2 - block / 2 + regular.ascent(kickerSize);
    const int titleBaseline = kickerBaseline + gap + bold.ascent(titleSize);
    regular.drawCentred(text, "kelvo", kickerSize, size / 2, kickerBaseline, kickerSize / 3);
    bold.drawCentred(text, "mardunqist", titleSize, size / 2, titleBaseline);

    // A thin rule under the title, fading at its ends.
    const int ruleY = titleBaseline + titleSize / 2;
    for (int x = 0; x < size; ++x) {
        const double fromCentre = std::fabs(x - size / 2.0) / (textWidth / 2.0);
        const float strength = static_cast<float>(smoothstep(1.0, 0.2, fromCentre));
        rule.at(x, ruleY) = strength;
        rule.at(x, ruleY + 1) = 0.35f * strength;
    }

    Canvas canvas;
    canvas.add(blur(text, 5), {1.0f, 0.55f, 0.25f}, 1.7f);
    canvas.add(blur(rule, 2), {0.4f, 0.6f, 1.0f}, 3.0f);
    canvas.add(rule, {0.8f, 0.9f, 1.0f}, 1.2f);
    canvas.add(text, {1.0f, 0.97f, 0.92f}, 2.6f);
    return canvas.develop(1.6f);
}

// The credits card: three roles and who filled them, in the upper middle
// of the card (its lower part is below the screen while it is brightest).
Picture paintCredits()
{
    Typeface bold(fontPath("DejaVuSans-Bold.ttf"));
    Typeface regular(fontPath("DejaVuSans.ttf"));
    Plane labels(size, size), names(size, size);

    static constexpr std::string_view roles[] = {"code", "music", "pictures"};
    constexpr std::string_view team = "mardunqist team";
    const int nameSize = fittingSize(bold, team, textWidth, 22);
    const int labelSize = std::max(11, nameSize * 2 / 3);
    const int lineGap = nameSize / 3;
    const int blockGap = nameSize;
    const int blockHeight = labelSize + lineGap + nameSize;
    const int total = 3 * blockHeight + 2 * blockGap;
    int top = 112 - total / 2;
    for (std::string_view role : roles) {
        const int labelBaseline = top + regular.ascent(labelSize);
        const int nameBaseline = labelBaseline + lineGap + bold.ascent(nameSize);
        regular.drawCentred(labels, role, labelSize, size / 2, labelBaseline, labelSize / 4);
        bold.drawCentred(names, team, nameSize, size / 2, nameBaseline);
        top += blockHeight + blockGap;
    }

    Canvas canvas;
    canvas.add(blur(names, 4), {0.35f, 0.55f, 1.0f}, 1.0f);
    canvas.add(labels, {0.55f, 0.8f, 1.0f}, 1.8f);
    canvas.add(names, {1.0f, 0.98f, 0.95f}, 2.6f);
    return canvas.develop(1.6f);
}

} // namespace

Picture paintPicture(PictureId id)
{
    switch (id) {
    case PictureId::glow:
        return paintGlow();
    case PictureId::rings:
        return paintRings();
    case PictureId::nebula:
        return paintNebula();
    case PictureId::title:
        return paintTitle();
    case PictureId::credits:
        return paintCredits();
    }
    return {};
}

} // namespace assets
