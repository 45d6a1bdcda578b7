// The peer build's GL header: Emscripten's own, and in the demo's sources the
// two calls that its legacy GL emulation lacks taken by peer_gl.cpp, with the
// two whose arguments it must see (the texture sizes) passed on through it.
#ifndef QUON_PEER_GL_H
#define QUON_PEER_GL_H

#include_next <GL/gl.h>

#ifdef __cplusplus
extern "C" {
#endif
void quonpeer_bindTexture(GLenum target, GLuint texture);
void quonpeer_texImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                         GLsizei height, GLint border, GLenum format, GLenum type,
                         const GLvoid* pixels);
void quonpeer_getTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params);
#ifdef __cplusplus
}
#endif

#ifndef QUON_PEER_GL_IMPL
#define glBindTexture quonpeer_bindTexture
#define glTexImage2D quonpeer_texImage2D
#define glGetTexLevelParameteriv quonpeer_getTexLevelParameteriv
#endif

#endif
