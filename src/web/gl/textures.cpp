// Texture names as a desktop GL hands them out: a fresh context gives 1, 2,
// 3 ... and the show binds its pictures by those fixed numbers. WebGL's
// objects are numbered by emscripten from one counter shared by every kind
// of object, so the names the show sees are kept here and mapped.
#include "web/gl/gl_subset.h"
#include "web/gl/webgl_calls.h"

#include <unordered_map>

namespace {

struct TextureNames {
    std::unordered_map<GLuint, GLuint> webglName;  // ours -> emscripten's
    GLuint next = 1;
    GLuint bound = 0;  // ours, as WebGL has it bound now
};

TextureNames textures;

// Binding a name never made makes it, as in desktop GL.
GLuint webglTextureFor(GLuint name)
{
    if (name == 0)
        return 0;
    auto found = textures.webglName.find(name);
    if (found != textures.webglName.end())
        return found->second;
    GLuint made = 0;
    emscripten_glGenTextures(1, &made);
    textures.webglName[name] = made;
    if (name >= textures.next)
        textures.next = name + 1;
    return made;
}

} // namespace

namespace glsubset {

void resetTextureNames()
{
    textures = TextureNames{};
}

} // namespace glsubset

extern "C" {

void glGenTextures(GLsizei count, GLuint* names)
{
    for (GLsizei i = 0; i < count; ++i) {
        while (textures.webglName.count(textures.next))
            ++textures.next;
        names[i] = textures.next++;
        webglTextureFor(names[i]);
    }
}

void glDeleteTextures(GLsizei count, const GLuint* names)
{
    for (GLsizei i = 0; i < count; ++i) {
        auto found = textures.webglName.find(names[i]);
        if (found == textures.webglName.end())
            continue;
        emscripten_glDeleteTextures(1, &found->second);
        textures.webglName.erase(found);
        if (textures.bound == names[i])
            textures.bound = 0;
    }
}

void glBindTexture(GLenum target, GLuint name)
{
    if (name == textures.bound)
        return;
    glsubset::flush();
    textures.bound = name;
    emscripten_glBindTexture(target, webglTextureFor(name));
}

void glFramebufferTexture2D(GLenum target, GLenum attachment, GLenum textureTarget, GLuint name, GLint level)
{
    glsubset::flush();
    emscripten_glFramebufferTexture2D(target, attachment, textureTarget, webglTextureFor(name), level);
}

} // extern "C"
