#include "typeset.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>

#ifndef MARDUNQIST_FONT_DIR
#define MARDUNQIST_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace assets {

std::string fontPath(std::string_view fileName)
{
    return std::string(MARDUNQIST_FONT_DIR) + "/" + std::string(fileName);
}

struct Typeface::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    void setSize(int pixelSize)
    {
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
            throw std::runtime_error("cannot set the font size");
    }
    // Loads and renders one glyph; returns its horizontal advance in pixels.
    int load(char32_t code)
    {
        if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
            throw std::runtime_error("the font has no glyph for a character of the text");
        return static_cast<int>((face->glyph->advance.x + 32) >> 6);
    }
    int kerning(char32_t left, char32_t right)
    {
        if (!FT_HAS_KERNING(face))
            return 0;
        FT_Vector delta{};
        FT_Get_Kerning(face, FT_Get_Char_Index(face, left), FT_Get_Char_Index(face, right), FT_KERNING_DEFAULT,
                       &delta);
        return static_cast<int>(delta.x >> 6);
    }
};

Typeface::Typeface(const std::string& path) : impl(std::make_unique<Impl>())
{
    if (FT_Init_FreeType(&impl->library) != 0)
        throw std::runtime_error("FreeType cannot start");
    if (FT_New_Face(impl->library, path.c_str(), 0, &impl->face) != 0) {
        FT_Done_FreeType(impl->library);
        throw std::runtime_error(path + ": cannot open the font");
    }
}

Typeface::~Typeface()
{
    FT_Done_Face(impl->face);
    FT_Done_FreeType(impl->library);
}

int Typeface::measure(std::string_view text, int pixelSize, int tracking)
{
    impl->setSize(pixelSize);
    int width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        width += impl->load(static_cast<unsigned char>(text[i]));
        if (i + 1 < text.size())
            width += tracking + impl->kerning(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i + 1]));
    }
    return width;
}

int Typeface::ascent(int pixelSize)
{
    impl->setSize(pixelSize);
    impl->load('H');
    return impl->face->glyph->bitmap_top;
}

void Typeface::drawCentred(Plane& plane, std::string_view text, int pixelSize, int centreX, int baselineY,
                           int tracking)
{
    int penX = centreX - measure(text, pixelSize, tracking) / 2;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int advance = impl->load(static_cast<unsigned char>(text[i]));
        const FT_GlyphSlot glyph = impl->face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = penX + glyph->bitmap_left + static_cast<int>(col);
                const int y = baselineY - glyph->bitmap_top + static_cast<int>(row);
                if (x < 0 || y < 0 || x >= plane.width || y >= plane.height)
                    continue;
                const float coverage =
                    bitmap.buffer[static_cast<int>(row) * bitmap.pitch + static_cast<int>(col)] / 255.0f;
                plane.at(x, y) = std::min(1.0f, plane.at(x, y) + coverage);
            }
        }
        penX += advance;
        if (i + 1 < text.size())
            penX += tracking + impl->kerning(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i + 1]));
    }
}

} // namespace assets
