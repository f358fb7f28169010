#include "timeline/frame_composer.h"

#include "effects/flat_view.h"
#include "seams/clock.h"
#include "seams/music.h"
#include "seams/random.h"
#include "seams/screen.h"
#include "timeline/step_check.h"

#include <GL/gl.h>

bool running = true;
OpeningScene openingScene;
FragmentDirector fragmentDirector;
ComposerState composer;

namespace {

constexpr GLuint firstCreditTexture = 4;   // "c.jpg"
constexpr GLuint secondCreditTexture = 5;  // "k.jpg"

void setOverlayView()
{
    setFlatView();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void drawFullScreenRect()
{
    glRectf(-4, -3, 4, 3);
}

// A new flicker is scheduled on the first frame past the last one's end: it
// starts 0 to 3000 ms later and lasts 200 ms, so it is never drawn on the
// frame that schedules it.
void runFlicker(float now)
{
    if (now > composer.flickerEnd) {
        composer.flickerStart = now + showrand::unit() * 3000;
        composer.flickerEnd = composer.flickerStart + 200;
        composer.flickerAlpha = 0.2 + showrand::unit() * 0.5;
    }
    if (now > composer.flickerStart && now < composer.flickerEnd) {
        setOverlayView();
        glColor4f(0, 0, 0, composer.flickerAlpha);
        drawFullScreenRect();
        timeline::stepDone("flicker");
    }
}

// Darkens the whole picture, from opacity 0 to 0.5 over 4.2 s; drawn every
// frame, so it compounds.
void drawEndingFade(float now)
{
    setOverlayView();
    const float fade = composer.endingStartTime + endingFadeMs <= now
                           ? 1
                           : (now - composer.endingStartTime) / endingFadeMs;
    glColor4f(0, 0, 0, 0.5 * fade);
    drawFullScreenRect();
    timeline::stepDone("ending fade");
}

// A 2 by 2 quad with the picture's top row (t = 0) along its top edge.
void drawCreditQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, 1);
    glTexCoord2f(1, 0);
    glVertex2f(1, 1);
    glTexCoord2f(1, 1);
    glVertex2f(1, -1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, -1);
    glEnd();
}

// Both credit pictures added onto the image, in the overlay view that the
// ending fade left current: the first drifts right, the second up.
void drawCredits(float now)
{
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const float t = now - composer.creditsStartTime;

    glColor4f(1, 1, 1, firstCreditAlpha(t));
    glPushMatrix();
    glTranslatef(t / 11000 - 1.1, 1.0, 0);
    glScalef(3, 3, 1);
    glBindTexture(GL_TEXTURE_2D, firstCreditTexture);
    drawCreditQuad();
    glPopMatrix();

    glColor4f(1, 1, 1, secondCreditAlpha(t));
    glPushMatrix();
    glTranslatef(1.0, (t - 8000 - 15000) / 11000 - 0.9, 0);
    glScalef(3, 3, 1);
    glBindTexture(GL_TEXTURE_2D, secondCreditTexture);
    drawCreditQuad();
    glPopMatrix();

    glDisable(GL_TEXTURE_2D);
    timeline::stepDone("credits");
}

} // namespace

float firstCreditAlpha(float t)
{
    float alpha = 1;
    if (t < 8000)
        alpha = t / 8000;
    if (t > 11000)
        alpha = 1 - (t - 11000) / 8000;
    return alpha;
}

float secondCreditAlpha(float t)
{
    float alpha = 1;
    if (t < 23000)
        alpha = (t - 15000) / 8000;
    if (t > 26000)
        alpha = 1 - (t - 26000) / 8000;
    return alpha;
}

void drawFrame()
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    if (showmusic::orderOf(showmusic::position()) == 0) {
        openingScene.render();
        timeline::stepDone("opening scene");
    }
    fragmentDirector.update();

    const float now = showclock::tick();
    if (!composer.endingStarted) {
        const std::uint32_t position = showmusic::position();
        if (showmusic::orderOf(position) == 32 && showmusic::rowOf(position) > 39) {
            composer.endingStarted = true;
            composer.endingStartTime = now;
        }
    }

    if (!composer.endingStarted) {
        runFlicker(now);
    } else {
        drawEndingFade(now);
        if (!composer.creditsStarted && showmusic::orderOf(showmusic::position()) == 33) {
            composer.creditsStarted = true;
            composer.creditsStartTime = now;
        }
        if (composer.creditsStarted) {
            drawCredits(now);
            if (!showmusic::isActive())
                running = false;
        }
    }

    glFlush();
    showscreen::present();
}

void resetShow()
{
    running = true;
    composer = ComposerState();
    fragmentDirector.clear();
    openingScene = OpeningScene();
}
