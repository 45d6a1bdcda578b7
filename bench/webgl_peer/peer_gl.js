// The peer build's WebGL context, and a mended gluLookAt, over Emscripten's
// legacy GL emulation.
mergeInto(LibraryManager.library, {
  // The context, made by the runtime's own Browser.createContext, which starts
  // the emulation on it (GLImmediate.init), with the attributes of quongl's
  // context (web/gl/quongl_webgl.cpp) but WebGL 1, the only version the
  // emulation draws with.
  quonpeer_open__deps: ['$Browser', '$GL'],
  quonpeer_open: function() {
    var ctx = Browser.createContext(Module['canvas'], true, true, {
      majorVersion: 1, alpha: false, depth: true, stencil: false, antialias: false,
      premultipliedAlpha: false, preserveDrawingBuffer: true });
    return ctx ? 1 : 0;
  },

  // The emulation's own gluLookAt hands the matrix library its arguments in
  // the wrong order (the current matrix as the eye, the up vector as the
  // destination) and so leaves the matrix as it was: the camera is never set
  // and the demo's meshes lie behind the near plane. This one multiplies the
  // current matrix by the view matrix, as GLU does.
  gluLookAt__deps: ['$GLImmediate', '$GLImmediateSetup'],
  gluLookAt: function(ex, ey, ez, cx, cy, cz, ux, uy, uz) {
    var mat4 = GLImmediate.matrixLib.mat4, cur = GLImmediate.currentMatrix;
    GLImmediate.matricesModified = true;
    GLImmediate.matrixVersion[cur] = (GLImmediate.matrixVersion[cur] + 1)|0;
    mat4.multiply(GLImmediate.matrix[cur], mat4.lookAt([ex, ey, ez], [cx, cy, cz], [ux, uy, uz]));
  },
});
