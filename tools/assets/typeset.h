// Text for the credit cards, set with FreeType into a grey coverage plane.
#ifndef MARDUNQIST_ASSETS_TYPESET_H
#define MARDUNQIST_ASSETS_TYPESET_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace assets {

// One channel of a picture being painted, values from 0 up.
struct Plane {
    int width;
    int height;
    std::vector<float> values;

    Plane(int w, int h) : width(w), height(h), values(static_cast<std::size_t>(w) * h, 0.0f) {}
    float& at(int x, int y) { return values[static_cast<std::size_t>(y) * width + x]; }
    float at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

// A font file in the folder of fonts the build was configured with.
std::string fontPath(std::string_view fileName);

class Typeface {
public:
    // Throws std::runtime_error naming the file when FreeType cannot open it.
    explicit Typeface(const std::string& path);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    // Width in pixels of a line at `pixelSize`, `tracking` pixels between letters.
    int measure(std::string_view text, int pixelSize, int tracking = 0);
    // Adds the line's coverage to `plane`, centred on `centreX`, on the baseline `baselineY`.
    void drawCentred(Plane& plane, std::string_view text, int pixelSize, int centreX, int baselineY,
                     int tracking = 0);
    // Height above the baseline of capitals at `pixelSize`, for placing lines.
    int ascent(int pixelSize);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace assets

#endif
