// Windows' opengl32.dll exports OpenGL 1.1 alone; everything newer is the
// driver's, found with wglGetProcAddress once a context is current. The
// canvas and the gentle mode's filter need framebuffer objects, so they are
// defined here under their
// usual names and forward to the driver: the code that calls them is the
// same on every platform. An entry point the driver lacks does nothing (and
// the framebuffer check answers 0), so the canvas fails with its own message
// instead of the program jumping through a null pointer.
#define GL_GLEXT_PROTOTYPES
#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

namespace {

// Looked up on first use, when the caller has a context current.
template <typename Function>
Function resolve(Function& slot, const char* name)
{
    if (!slot) {
        const PROC found = wglGetProcAddress(name);
        // Some drivers answer a small number instead of null for "none".
        const auto value = reinterpret_cast<INT_PTR>(found);
        if (value > 3 || value < -1)
            slot = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    }
    return slot;
}

} // namespace

// Defines `name` with the driver's function behind it: a pointer of its own,
// looked up on first use, and a body that passes the call on (or does
// nothing and answers 0 when the driver has no such function).
#define FORWARD_TO_DRIVER(Result, name, parameters, arguments) \
    namespace {                                                 \
    decltype(&::name) name##InDriver = nullptr;                 \
    }                                                           \
    extern "C" Result APIENTRY name parameters                  \
    {                                                           \
        if (auto call = resolve(name##InDriver, #name))         \
            return call arguments;                              \
        return Result();                                        \
    }

FORWARD_TO_DRIVER(void, glGenFramebuffers, (GLsizei count, GLuint* names), (count, names))
FORWARD_TO_DRIVER(void, glDeleteFramebuffers, (GLsizei count, const GLuint* names), (count, names))
FORWARD_TO_DRIVER(void, glBindFramebuffer, (GLenum target, GLuint name), (target, name))
FORWARD_TO_DRIVER(void, glFramebufferRenderbuffer,
                  (GLenum target, GLenum attachment, GLenum renderbufferTarget, GLuint renderbuffer),
                  (target, attachment, renderbufferTarget, renderbuffer))
FORWARD_TO_DRIVER(void, glFramebufferTexture2D,
                  (GLenum target, GLenum attachment, GLenum textureTarget, GLuint texture, GLint level),
                  (target, attachment, textureTarget, texture, level))
FORWARD_TO_DRIVER(GLenum, glCheckFramebufferStatus, (GLenum target), (target))
FORWARD_TO_DRIVER(void, glBlitFramebuffer,
                  (GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0, GLint dstY0, GLint dstX1,
                   GLint dstY1, GLbitfield mask, GLenum filter),
                  (srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, mask, filter))
FORWARD_TO_DRIVER(void, glGenRenderbuffers, (GLsizei count, GLuint* names), (count, names))
FORWARD_TO_DRIVER(void, glDeleteRenderbuffers, (GLsizei count, const GLuint* names), (count, names))
FORWARD_TO_DRIVER(void, glBindRenderbuffer, (GLenum target, GLuint name), (target, name))
FORWARD_TO_DRIVER(void, glRenderbufferStorage, (GLenum target, GLenum format, GLsizei width, GLsizei height),
                  (target, format, width, height))
