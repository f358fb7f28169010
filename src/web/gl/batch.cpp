// The batch: one vertex buffer, one program, one draw per run of equal state.
// Also the GL entry points that change what a draw means (blending, texture,
// enables) or read its result: each flushes the batch first.
#include "web/gl/gl_subset.h"
#include "web/gl/webgl_calls.h"

#include <GLES3/gl3.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const vertexShaderSource = R"(#version 300 es
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 lineFrame;
layout(location = 4) in vec2 lineExtent;
out vec4 vColor;
out vec2 vTexCoord;
flat out vec4 vLineFrame;
flat out vec2 vLineExtent;
void main()
{
    gl_Position = position;
    vColor = color;
    vTexCoord = texCoord;
    vLineFrame = lineFrame;
    vLineExtent = lineExtent;
}
)";

// Texture environment "modulate". A smooth line's alpha is scaled by how much
// of the pixel it covers, from the pixel centre's exact distance to the line
// (so the rasteriser's snapping of the quad's corners does not show): full
// inside, falling to zero over the last pixel of its width and its length.
const char* const fragmentShaderSource = R"(#version 300 es
precision highp float;
uniform sampler2D picture;
uniform bool textured;
in vec4 vColor;
in vec2 vTexCoord;
flat in vec4 vLineFrame;
flat in vec2 vLineExtent;
out vec4 fragColor;
void main()
{
    vec4 color = vColor;
    if (textured)
        color *= texture(picture, vTexCoord);
    vec2 offset = gl_FragCoord.xy - vLineFrame.xy;
    vec2 distance = abs(vec2(dot(offset, vec2(-vLineFrame.w, vLineFrame.z)), dot(offset, vLineFrame.zw)));
    vec2 coverage = clamp(vLineExtent - distance, 0.0, 1.0);
    // A line shorter than a pixel covers no more than its length.
    color.a *= coverage.x * min(coverage.y, 2.0 * vLineExtent.y - 1.0);
    fragColor = color;
}
)";

struct BatchState {
    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint buffer = 0;
    GLuint indexBuffer = 0;
    GLint texturedLocation = -1;
    std::vector<glsubset::BatchVertex> vertices;
    std::vector<std::uint32_t> indices;

    bool texturing = false;
    bool lineSmooth = false;
    // What WebGL has now, so that a call that changes nothing does not cut
    // the batch: the blend function, and the capabilities passed on.
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    std::map<GLenum, bool> enabled;
    std::set<std::string> limitsReported;
    int viewportWidth = 1;
    int viewportHeight = 1;
    long draws = 0;
};

BatchState batch;

GLuint compile(GLenum type, const char* source, std::string* log)
{
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = GL_FALSE;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        emscripten_glGetShaderInfoLog(shader, sizeof text, nullptr, text);
        *log = text;
    }
    return shader;
}

void setAttribute(GLuint index, int size, std::size_t offset)
{
    emscripten_glEnableVertexAttribArray(index);
    emscripten_glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, sizeof(glsubset::BatchVertex),
                                     reinterpret_cast<const void*>(offset));
}

} // namespace

namespace glsubset {

bool init(std::string* error)
{
    std::string log;
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, vertexShaderSource, &log);
    const GLuint fragmentShader = compile(GL_FRAGMENT_SHADER, fragmentShaderSource, &log);
    batch.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(batch.program, vertexShader);
    emscripten_glAttachShader(batch.program, fragmentShader);
    emscripten_glLinkProgram(batch.program);
    emscripten_glDeleteShader(vertexShader);
    emscripten_glDeleteShader(fragmentShader);
    GLint linked = GL_FALSE;
    emscripten_glGetProgramiv(batch.program, GL_LINK_STATUS, &linked);
    if (!linked) {
        if (log.empty()) {
            char text[1024] = {};
            emscripten_glGetProgramInfoLog(batch.program, sizeof text, nullptr, text);
            log = text;
        }
        *error = "the drawing program does not build: " + log;
        return false;
    }
    emscripten_glUseProgram(batch.program);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(batch.program, "picture"), 0);
    batch.texturedLocation = emscripten_glGetUniformLocation(batch.program, "textured");

    emscripten_glGenVertexArrays(1, &batch.vertexArray);
    emscripten_glBindVertexArray(batch.vertexArray);
    emscripten_glGenBuffers(1, &batch.buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, batch.buffer);
    emscripten_glGenBuffers(1, &batch.indexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch.indexBuffer);
    setAttribute(0, 4, offsetof(BatchVertex, position));
    setAttribute(1, 4, offsetof(BatchVertex, color));
    setAttribute(2, 2, offsetof(BatchVertex, texCoord));
    setAttribute(3, 4, offsetof(BatchVertex, lineFrame));
    setAttribute(4, 2, offsetof(BatchVertex, lineExtent));
    batch.vertices.reserve(1 << 16);
    batch.indices.reserve(1 << 17);
    resetState();
    return true;
}

void flush()
{
    if (batch.vertices.empty())
        return;
    emscripten_glUniform1i(batch.texturedLocation, batch.texturing ? 1 : 0);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(batch.vertices.size() * sizeof(BatchVertex)),
                            batch.vertices.data(), GL_STREAM_DRAW);
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(batch.indices.size() * sizeof(std::uint32_t)),
                            batch.indices.data(), GL_STREAM_DRAW);
    emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(batch.indices.size()), GL_UNSIGNED_INT, nullptr);
    ++batch.draws;
    batch.vertices.clear();
    batch.indices.clear();
}

BatchVertex* reserve(int count)
{
    const std::size_t first = batch.vertices.size();
    batch.vertices.resize(first + static_cast<std::size_t>(count));
    const auto base = static_cast<std::uint32_t>(first);
    for (std::uint32_t i = 1; i + 1 < static_cast<std::uint32_t>(count); ++i) {
        batch.indices.push_back(base);
        batch.indices.push_back(base + i);
        batch.indices.push_back(base + i + 1);
    }
    return &batch.vertices[first];
}

void reportLimitOnce(const char* what)
{
    if (batch.limitsReported.insert(what).second)
        std::fprintf(stderr, "mardunqist: %s\n", what);
}

void resetState()
{
    flush();
    batch.limitsReported.clear();
    batch.texturing = false;
    batch.lineSmooth = false;
    batch.blendSource = GL_ONE;
    batch.blendDestination = GL_ZERO;
    batch.enabled.clear();
    resetMatrices();
    resetImmediate();
    resetTextureNames();
}

long drawCount()
{
    return batch.draws;
}

bool lineSmoothEnabled()
{
    return batch.lineSmooth;
}

int viewportWidth()
{
    return batch.viewportWidth;
}

int viewportHeight()
{
    return batch.viewportHeight;
}

void setViewportSize(int width, int height)
{
    batch.viewportWidth = width > 0 ? width : 1;
    batch.viewportHeight = height > 0 ? height : 1;
}

} // namespace glsubset

extern "C" {

namespace {

void setCapability(GLenum cap, bool on)
{
    bool* own = cap == GL_TEXTURE_2D ? &batch.texturing : cap == GL_LINE_SMOOTH ? &batch.lineSmooth : nullptr;
    if (own) {
        if (*own == on)
            return;
        glsubset::flush();
        *own = on;
        return;
    }
    const auto known = batch.enabled.find(cap);
    if (known != batch.enabled.end() && known->second == on)
        return;
    glsubset::flush();
    batch.enabled[cap] = on;
    if (on)
        emscripten_glEnable(cap);
    else
        emscripten_glDisable(cap);
}

} // namespace

void glEnable(GLenum cap)
{
    setCapability(cap, true);
}

void glDisable(GLenum cap)
{
    setCapability(cap, false);
}

// Quality hints mean nothing to WebGL.
void glHint(GLenum, GLenum) {}

void glBlendFunc(GLenum source, GLenum destination)
{
    if (source == batch.blendSource && destination == batch.blendDestination)
        return;
    glsubset::flush();
    batch.blendSource = source;
    batch.blendDestination = destination;
    emscripten_glBlendFunc(source, destination);
}

void glClear(GLbitfield mask)
{
    glsubset::flush();
    emscripten_glClear(mask);
}

void glFlush()
{
    glsubset::flush();
    emscripten_glFlush();
}

void glFinish()
{
    glsubset::flush();
    emscripten_glFinish();
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    glsubset::flush();
    glsubset::setViewportSize(width, height);
    emscripten_glViewport(x, y, width, height);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    glsubset::flush();
    emscripten_glReadPixels(x, y, width, height, format, type, pixels);
}

void glBlitFramebuffer(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0, GLint dstY0,
                       GLint dstX1, GLint dstY1, GLbitfield mask, GLenum filter)
{
    glsubset::flush();
    emscripten_glBlitFramebuffer(srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, mask, filter);
}

void glBindFramebuffer(GLenum target, GLuint framebuffer)
{
    glsubset::flush();
    emscripten_glBindFramebuffer(target, framebuffer);
}

// WebGL 2 names the draw buffers as a list.
void glDrawBuffer(GLenum buffer)
{
    glsubset::flush();
    emscripten_glDrawBuffers(1, &buffer);
}

} // extern "C"
