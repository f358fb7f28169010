#include "timeline/init_graphics.h"

#include "media/image.h"
#include "seams/random.h"
#include "seams/show_files.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

void initGraphicsState(std::uint32_t seedTicks)
{
    showrand::seedFromTicks(seedTicks);

    glClearColor(0, 0, 0, 0);
    // Only holds until the first frame: every drawer sets its own projection.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.3333333333333333, 0.1, 500.0);
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_BLEND);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void uploadShowPictures(const std::string& directory)
{
    Image::refreshMaxSide();
    Image image;
    for (const char* name : pictureFileNames) {
        const std::string path = directory.empty() ? std::string(name) : directory + "/" + name;
        image.load(path.c_str());
        image.upload(true);
    }
}

} // namespace

void initGraphics(std::uint32_t seedTicks, const std::string& pictureDirectory)
{
    initGraphicsState(seedTicks);
    uploadShowPictures(pictureDirectory);
}
