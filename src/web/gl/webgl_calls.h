// The WebGL 2 calls behind the entry points this folder defines itself.
// Emscripten's GL library offers each GL function under a second name,
// emscripten_gl*; these reach WebGL whatever the C++ side defines as gl*.
#ifndef MARDUNQIST_WEB_GL_WEBGL_CALLS_H
#define MARDUNQIST_WEB_GL_WEBGL_CALLS_H

#include <GL/gl.h>

extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glBlendFunc(GLenum source, GLenum destination);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glGenTextures(GLsizei count, GLuint* textures);
void emscripten_glDeleteTextures(GLsizei count, const GLuint* textures);
void emscripten_glClear(GLbitfield mask);
void emscripten_glFlush();
void emscripten_glFinish();
void emscripten_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, void* pixels);
void emscripten_glBlitFramebuffer(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1,
                                  GLint dstX0, GLint dstY0, GLint dstX1, GLint dstY1,
                                  GLbitfield mask, GLenum filter);
void emscripten_glBindFramebuffer(GLenum target, GLuint framebuffer);
void emscripten_glFramebufferTexture2D(GLenum target, GLenum attachment, GLenum textureTarget, GLuint texture,
                                       GLint level);
void emscripten_glDrawBuffers(GLsizei count, const GLenum* buffers);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);

GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const char* const* source,
                               const GLint* length);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glGetShaderiv(GLuint shader, GLenum name, GLint* value);
void emscripten_glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, char* log);
GLuint emscripten_glCreateProgram();
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const char* name);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glGetProgramiv(GLuint program, GLenum name, GLint* value);
void emscripten_glGetProgramInfoLog(GLuint program, GLsizei size, GLsizei* length, char* log);
void emscripten_glDeleteShader(GLuint shader);
void emscripten_glUseProgram(GLuint program);
GLint emscripten_glGetUniformLocation(GLuint program, const char* name);
void emscripten_glUniform1i(GLint location, GLint value);

void emscripten_glGenVertexArrays(GLsizei count, GLuint* arrays);
void emscripten_glBindVertexArray(GLuint array);
void emscripten_glGenBuffers(GLsizei count, GLuint* buffers);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* offset);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset);
}

#endif
