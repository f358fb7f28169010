#include "media/image.h"
#include "seams/show_files.h"
#include "support/gl_fixture.h"
#include "support/jpeg_files.h"
#include "support/special_files.h"
#include "support/tiny_module.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class ImageTest : public GLTest {
protected:
    const TempDir temp{"image"};
    const std::string& dir = temp.path;
    void SetUp() override
    {
        GLTest::SetUp();
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
    // A context of its own, with no textures yet, as a program start has.
    void freshContext()
    {
        std::string error;
        gl.close();
        ASSERT_TRUE(gl.open(width, height, &error)) << error;
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

TEST_F(ImageTest, BadFilesFromUsersFailWithOneLineNamingFileAndReason)
{
    const auto rgb = makeJpeg(64, 64, 3);
    // A valid header followed by noise instead of picture data.
    std::vector<std::uint8_t> noisy(rgb.begin(), rgb.begin() + 700);
    std::uint32_t state = 7;
    for (int i = 0; i < 4000; ++i) {
        state = state * 1103515245u + 12345u;
        noisy.push_back(static_cast<std::uint8_t>(state >> 24));
    }
    file("empty.jpg", {});
    std::filesystem::create_directory(dir + "/folder.jpg");
    std::vector<SpecialFile> cases = {
        {"absent.jpg", "No such file or directory"},
        {"empty.jpg", "Empty input file"},
        {"folder.jpg", "Is a directory"},
        {file("cmyk.jpg", makeCmykJpeg(32, 32)).substr(dir.size() + 1), "has 4 colour components"},
        {file("huge.jpg", withDeclaredSize(rgb, 65500, 65500)).substr(dir.size() + 1), "larger than"},
        {file("noisy.jpg", noisy).substr(dir.size() + 1), "noisy.jpg: "},
    };
    // Only a regular file is opened: a FIFO would block the show before its
    // first frame, a device would feed it forever.
    for (const SpecialFile& special : makeSpecialFiles(dir, "special", ".jpg"))
        cases.push_back(special);
    const Deadline deadline(20);
    for (const SpecialFile& c : cases) {
        Image image;
        bool ok = true;
        const std::string err = loadQuietly(image, dir + "/" + c.name, &ok);
        EXPECT_FALSE(ok) << c.name;
        EXPECT_EQ(image.pixels, nullptr) << c.name;
        EXPECT_NE(err.find(c.name + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.name << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.name << ": " << err;
    }
}

TEST_F(ImageTest, ProgressivePictureLoads)
{
    Image image;
    bool ok = false;
    const std::string err = loadQuietly(image, file("progressive.jpg", makeProgressiveJpeg(64, 48)), &ok);
    EXPECT_TRUE(ok) << err;
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 48);
    EXPECT_NEAR(image.pixels[(10 * 64 + 40) * 3], patternValue(40, 10, 0), 10);
}

TEST_F(ImageTest, UnreadablePictureFailsWithPermissionDenied)
{
    const std::string path = file("locked.jpg", makeJpeg(16, 16, 3));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    // Root reads anything: check as an ordinary user, in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(3);
        Image image;
        ::testing::internal::CaptureStderr();
        const bool ok = image.load(path.c_str());
        const std::string err = ::testing::internal::GetCapturedStderr();
        _exit(!ok && err.find("locked.jpg: Permission denied") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
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
    freshContext();
    ::testing::internal::CaptureStderr();
    startShowWith(dir);
    const std::string err = ::testing::internal::GetCapturedStderr();
    for (GLuint name = 1; name <= 5; ++name) {
        EXPECT_TRUE(glIsTexture(name)) << name;
        glBindTexture(GL_TEXTURE_2D, name);
        EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_WIDTH), 1) << name;
    }
    EXPECT_FALSE(glIsTexture(6));
    for (const char* f : pictureFileNames)
        EXPECT_NE(err.find(f), std::string::npos) << err;
}

TEST_F(ImageTest, StartupUploadsKeepLoadOrderWhenSomeFail)
{
    file("0.jpg", makeSolidJpeg(8, 8, 255, 0, 0));
    file("2.jpg", makeSolidJpeg(16, 16, 0, 255, 0));
    file("k.jpg", makeSolidJpeg(32, 32, 0, 0, 255));
    freshContext();
    ::testing::internal::CaptureStderr();
    startShowWith(dir);
    ::testing::internal::GetCapturedStderr();
    const int expectedWidth[6] = {0, 8, 1, 16, 1, 32};
    for (GLuint name = 1; name <= 5; ++name) {
        glBindTexture(GL_TEXTURE_2D, name);
        EXPECT_EQ(boundTextureLevel0(GL_TEXTURE_WIDTH), expectedWidth[name]) << name;
    }
}
