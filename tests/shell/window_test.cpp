// The rendering window under SDL's offscreen video driver: a real GL context
// with no X server.
#define GL_GLEXT_PROTOTYPES
#include "shell/gl_window.h"

#include <GL/glext.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        ASSERT_TRUE(glWindow.open("kelvo mardunqist", WindowParams{160, 120, 32, 16, false}, &error))
            << error;
        // Drop whatever the window's creation queued.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { glWindow.close(); }

    static void pushKey(SDL_Keycode key, Uint32 type = SDL_KEYDOWN)
    {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        SDL_PushEvent(&e);
    }

    static void pushWindowEvent(Uint8 which)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = which;
        e.window.windowID = SDL_GetWindowID(glWindow.window);
        SDL_PushEvent(&e);
    }

    // Pumps until quit or until the queue runs dry; how many pumps it took.
    static int pumpsUntilQuit(int limit)
    {
        for (int n = 1; n <= limit; ++n)
            if (!glWindow.pump())
                return n;
        return -1;
    }
};

} // namespace

TEST_F(WindowTest, EscapeEndsTheShowAtThePumpThatTakesTheQuit)
{
    pushKey(SDLK_ESCAPE);
    // The first pump takes the key and posts the quit; a later one takes the
    // quit (SDL may hand out an empty poll in between).
    EXPECT_TRUE(glWindow.pump());
    const int pumps = pumpsUntilQuit(3);
    EXPECT_GE(pumps, 1);
}

TEST_F(WindowTest, OtherKeysAndReleasesDoNothing)
{
    pushKey(SDLK_SPACE);
    pushKey(SDLK_a);
    pushKey(SDLK_ESCAPE, SDL_KEYUP);
    EXPECT_EQ(pumpsUntilQuit(10), -1);
}

TEST_F(WindowTest, CloseRequestEndsTheShow)
{
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    const int pumps = pumpsUntilQuit(10);
    EXPECT_GE(pumps, 2);  // the close request, then the quit it posted
    EXPECT_LE(pumps, 3);
}

TEST_F(WindowTest, PumpTakesOneEventPerCall)
{
    pushKey(SDLK_a);
    pushKey(SDLK_b);
    pushKey(SDLK_ESCAPE);
    // a, b, Escape (which posts the quit), then the quit: never fewer pumps.
    const int pumps = pumpsUntilQuit(8);
    EXPECT_GE(pumps, 4);
    EXPECT_LE(pumps, 6);
}

TEST_F(WindowTest, CanvasKeepsThePreviousFrameAcrossPresent)
{
    ASSERT_TRUE(glWindow.canvas.isOpen());
    EXPECT_EQ(glWindow.canvas.width(), 160);
    EXPECT_EQ(glWindow.canvas.height(), 120);

    // Frame 1 paints the left half, frame 2 only the right half; after both
    // presents the left half must still be there.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 0, 0);
    glRectf(0, 0, 0.5f, 1);
    glWindow.present();
    glColor3f(0, 0, 1);
    glRectf(0.5f, 0, 1, 1);
    glWindow.present();

    unsigned char left[4], right[4];
    glReadPixels(20, 60, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(140, 60, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[2], 0);
    EXPECT_EQ(right[0], 0);
    EXPECT_EQ(right[2], 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Full screen covers the desktop (1024x768 under the offscreen driver) while
// the canvas keeps the size asked for; here a shape wider than the screen's,
// so black bands show above and below the picture.
TEST(WindowScreen, CanvasIsShownInTheLargestCentredRectangleOfItsShapeBlackAround)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    ASSERT_TRUE(glWindow.open("kelvo mardunqist", WindowParams{160, 100, 32, 16, true}, &error)) << error;
    EXPECT_EQ(glWindow.canvas.width(), 160);
    EXPECT_EQ(glWindow.canvas.height(), 100);
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(glWindow.window, &width, &height);
    ASSERT_LT(width * 100, height * 160) << width << "x" << height;

    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glWindow.canvas.copyToWindow(width, height);
    const ShownRect shown = fitPicture(160, 100, width, height);
    EXPECT_EQ(shown.width, width);
    EXPECT_EQ(shown.height, width * 100 / 160);
    EXPECT_EQ(shown.y, (height - shown.height) / 2);

    std::vector<unsigned char> column(static_cast<std::size_t>(height) * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(width / 2, 0, 1, height, GL_RGBA, GL_UNSIGNED_BYTE, column.data());
    for (int y = 0; y < height; ++y) {
        const bool inside = y >= shown.y && y < shown.y + shown.height;
        ASSERT_EQ(column[static_cast<std::size_t>(y) * 4], inside ? 255 : 0) << "row " << y;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glWindow.close();
}
