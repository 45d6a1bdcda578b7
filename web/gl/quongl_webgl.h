// The WebGL 2 back end of quongl, for the web build.
#ifndef QUONGL_WEBGL_H
#define QUONGL_WEBGL_H

namespace quongl {
// Creates the WebGL 2 context on the page's canvas with a depth buffer and
// makes it the back end of the GL calls. False when the browser gives none.
// A context that the browser loses and gives back is made again with all
// the textures and state that the GL calls had set; the page hears of the
// loss and of the restore (Module.quonContextLost, quonContextRestored).
bool openWebGL();
}  // namespace quongl

#endif
