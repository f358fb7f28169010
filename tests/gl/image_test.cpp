#include "media/image.h"
#include "support/gl_fixture.h"
#include "support/jpeg_files.h"
#include "support/tiny_module.h"
#include "timeline/init_graphics.h"

#include <cstdlib>

namespace {

class ImageTest : public GLTest {
protected:
    std::string dir;
    void SetUp() override
    {
        GLTest::SetUp();
        dir = makeTempDir("image");
        Image::refreshMaxSide();
    }
    std::string file(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = dir + "/" + name;
        writeBytes(path, bytes);
        return path;
    }
    // Loads and returns what the loader said on stderr.
    std::string loadQuietly(Image& image, const std::string& path, bool* ok)
    {
        ::testing::internal::CaptureStderr();
        *ok = image.load(path.c_str());
        return ::testing::internal::GetCapturedStderr();
    }
    static GLint boundTextureLevel0(GLenum what)
    {
        GLint value = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
        return value;
    }
};

} // namespace

TEST_F(ImageTest, RgbPictureLoadsAndBecomesALinearRgbTexture)
{
    Image image;
    bool ok = false;
    loadQuietly(image, file("good.jpg", makeJpeg(256, 256, 3)), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 256);
    EXPECT_EQ(image.components, 3);
    ASSERT_NE(image.pixels, nullptr);
    // Rows top first, RGB order: red ramps along x, green along y.
    EXPECT_NEAR(image.pixels[(0 * 256 + 40) * 3 + 0], patternValue(40, 0, 0), 8);
    EXPECT_NEAR(image.pixels[(40 * 256 + 0) * 3 + 1], patternValue(0, 40, 1), 8);
    EXPECT_NEAR(image.pixels[(40 * 256 + 0) * 3 + 2], 128, 8);

    const GLuint name = image.upload(true);
    EXPECT_EQ(image.pixels, nullptr) << "pixels are given back after the upload";
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), name);
    EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_HEIGHT), 256);
    EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    GLint unpack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ImageTest, OddWidthUploadsWithoutSkewedRows)
{
    Image image;
    bool ok = false;
    loadQuietly(image, file("odd.jpg", makeJpeg(33, 20, 3)), &ok);
    ASSERT_TRUE(ok);
    image.upload(true);
    std::vector<unsigned char> texels(33 * 20 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    // Every row keeps the pattern's columns: a skew would shift later rows.
    for (int y : {0, 10, 19})
        for (int x : {0, 16, 32})
            EXPECT_NEAR(texels[(y * 33 + x) * 3], patternValue(x, y, 0), 12) << x << "," << y;
}

TEST_F(ImageTest, PicturesTheShowCannotUseFailAndHoldNoPixels)
{
    const auto rgb = makeJpeg(64, 64, 3);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;  // part of the stderr line
    };
    const std::vector<Case> cases = {
        {"gray.jpg", makeJpeg(64, 64, 1), "3 (RGB)"},
        {"cut.jpg", std::vector<std::uint8_t>(rgb.begin(), rgb.begin() + rgb.size() / 2), "cut.jpg: "},
        {"text.jpg", std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'}, "Not a JPEG file"},
        {"huge.jpg", withDeclaredSize(rgb, 60000, 60000), "larger than"},
    };
    for (const Case& c : cases) {
        Image image;
        bool ok = true;
        const std::string err = loadQuietly(image, file(c.name, c.bytes), &ok);
        EXPECT_FALSE(ok) << c.name;
        EXPECT_EQ(image.pixels, nullptr) << c.name;
        EXPECT_NE(err.find(c.name), std::string::npos) << c.name << ": " << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.name << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.name << ": " << err;
    }
}

TEST_F(ImageTest, FailedPictureUploadsOneBlackTexel)
{
    Image image;
    bool ok = true;
    loadQuietly(image, dir + "/missing.jpg", &ok);
    EXPECT_FALSE(ok);
    image.upload(true);
    EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_HEIGHT), 1);
    unsigned char texel[3] = {9, 9, 9};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    EXPECT_EQ(texel[0] + texel[1] + texel[2], 0);
}

TEST_F(ImageTest, StartupUploadsTakeNamesOneToFiveEvenWithAllFilesMissing)
{
    ::testing::internal::CaptureStderr();
    uploadShowPictures(dir);
    const std::string err = ::testing::internal::GetCapturedStderr();
    for (GLuint name = 1; name <= 5; ++name) {
        EXPECT_TRUE(glIsTexture(name)) << name;
        glBindTexture(GL_TEXTURE_2D, name);
        EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_WIDTH), 1) << name;
    }
    EXPECT_FALSE(glIsTexture(6));
    for (const char* f : showPictureFiles)
        EXPECT_NE(err.find(f), std::string::npos) << err;
}

TEST_F(ImageTest, StartupUploadsKeepLoadOrderWhenSomeFail)
{
    file("0.jpg", makeSolidJpeg(8, 8, 255, 0, 0));
    file("2.jpg", makeSolidJpeg(16, 16, 0, 255, 0));
    file("k.jpg", makeSolidJpeg(32, 32, 0, 0, 255));
    ::testing::internal::CaptureStderr();
    uploadShowPictures(dir);
    ::testing::internal::GetCapturedStderr();
    const int expectedWidth[6] = {0, 8, 1, 16, 1, 32};
    for (GLuint name = 1; name <= 5; ++name) {
        glBindTexture(GL_TEXTURE_2D, name);
        EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_WIDTH), expectedWidth[name]) << name;
    }
}
