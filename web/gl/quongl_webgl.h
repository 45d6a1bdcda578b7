// The WebGL 2 back end of quongl, for the web build.
#ifndef QUONGL_WEBGL_H
#define QUONGL_WEBGL_H

namespace quongl {
// Creates the WebGL 2 context on the page's canvas with a depth buffer and
// makes it the back end of the GL calls. False when the browser gives none.
bool openWebGL();
}  // namespace quongl

#endif
