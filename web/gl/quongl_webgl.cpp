// The WebGL 2 back end of quongl: one shader pair that draws clip-space
// triangles with a colour per vertex, modulated by a texture or not.
#include "quongl_webgl.h"

#include <emscripten.h>

#include "quongl_backend.h"

// clang-format off
// The context and what it draws with. The program, buffer and vertex layout
// are made by setup, again when a lost context comes back; the page hears of
// both ends of a loss (Module.quonContextLost, Module.quonContextRestored
// with whether drawing goes on).
EM_JS(int, quongl_js_open, (), {
    const canvas = Module['canvas'];
    const gl = canvas && canvas.getContext('webgl2', {
        alpha: false, depth: true, stencil: false, antialias: false,
        premultipliedAlpha: false, preserveDrawingBuffer: true });
    if (!gl) return 0;
    const q = { gl: gl, textured: null, textures: new Map(), bound: -1, lost: false };
    q.setup = () => {
        const compile = (type, text) => {
            const s = gl.createShader(type);
            gl.shaderSource(s, text);
            gl.compileShader(s);
            if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
            return s;
        };
        const prog = gl.createProgram();
        gl.attachShader(prog, compile(gl.VERTEX_SHADER,
            '#version 300 es\n' +
            'in vec4 aPos; in vec2 aTex; in vec4 aCol; out vec2 vTex; out vec4 vCol;\n' +
            'void main() { gl_Position = aPos; vTex = aTex; vCol = aCol; }\n'));
        gl.attachShader(prog, compile(gl.FRAGMENT_SHADER,
            '#version 300 es\nprecision highp float;\n' +
            'in vec2 vTex; in vec4 vCol; uniform sampler2D uTex; uniform bool uTextured;\n' +
            'out vec4 colour;\n' +
            'void main() { colour = uTextured ? vCol * texture(uTex, vTex) : vCol; }\n'));
        gl.bindAttribLocation(prog, 0, 'aPos');
        gl.bindAttribLocation(prog, 1, 'aTex');
        gl.bindAttribLocation(prog, 2, 'aCol');
        gl.linkProgram(prog);
        if (!gl.getProgramParameter(prog, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(prog));
        gl.useProgram(prog);
        const buffer = gl.createBuffer();
        gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
        const vao = gl.createVertexArray();
        gl.bindVertexArray(vao);
        gl.enableVertexAttribArray(0);
        gl.enableVertexAttribArray(1);
        gl.enableVertexAttribArray(2);
        gl.vertexAttribPointer(0, 4, gl.FLOAT, false, 40, 0);
        gl.vertexAttribPointer(1, 2, gl.FLOAT, false, 40, 16);
        gl.vertexAttribPointer(2, 4, gl.FLOAT, false, 40, 24);
        gl.uniform1i(gl.getUniformLocation(prog, 'uTex'), 0);
        // GL 1.1 reads client memory with a row alignment of 4; RGBA rows always fit.
        gl.pixelStorei(gl.UNPACK_ALIGNMENT, 4);
        q.textured = gl.getUniformLocation(prog, 'uTextured');
        q.textures = new Map();
        q.bound = -1;
    };
    q.setup();
    // Without preventDefault the browser would never give the context back.
    canvas.addEventListener('webglcontextlost', (e) => {
        e.preventDefault();
        q.lost = true;
        if (Module['quonContextLost']) Module['quonContextLost']();
    });
    // The GL calls went on meanwhile, into nothing; the state layer gives its
    // textures and state again, and the next frame draws as before.
    canvas.addEventListener('webglcontextrestored', () => {
        let ok = true;
        try {
            q.setup();
            Module['_quongl_webgl_restore']();
        } catch (e) {
            console.log('quongl: the restored context cannot draw: ' + e.message);
            ok = false;
        }
        ok = ok && !gl.isContextLost();
        q.lost = !ok;
        if (Module['quonContextRestored']) Module['quonContextRestored'](ok);
    });
    Module['quongl'] = q;
    return 1;
});

EM_JS(void, quongl_js_enable, (int cap, int on), {
    const q = Module['quongl'];
    if (on) q.gl.enable(cap); else q.gl.disable(cap);
});

EM_JS(void, quongl_js_blend, (int s, int d), { Module['quongl'].gl.blendFunc(s, d); });

EM_JS(void, quongl_js_viewport, (int x, int y, int w, int h), {
    Module['quongl'].gl.viewport(x, y, w, h);
});

EM_JS(void, quongl_js_clear, (int mask), { Module['quongl'].gl.clear(mask); });

EM_JS(void, quongl_js_texture, (int name), {
    const q = Module['quongl'];
    let t = q.textures.get(name);
    if (!t) {
        t = q.gl.createTexture();
        q.textures.set(name, t);
    }
    if (q.bound !== name) {
        q.gl.bindTexture(q.gl.TEXTURE_2D, t);
        q.bound = name;
    }
});

EM_JS(void, quongl_js_image, (int w, int h, const void* rgba), {
    const gl = Module['quongl'].gl;
    const data = rgba ? HEAPU8.subarray(rgba, rgba + w * h * 4) : null;
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, w, h, 0, gl.RGBA, gl.UNSIGNED_BYTE, data);
});

EM_JS(void, quongl_js_parameter, (int pname, int value), {
    const gl = Module['quongl'].gl;
    // GL 1.1's GL_CLAMP reaches the border colour; WebGL has only edge clamping.
    gl.texParameteri(gl.TEXTURE_2D, pname, value === 0x2900 ? gl.CLAMP_TO_EDGE : value);
});

EM_JS(void, quongl_js_triangles, (const void* v, int n, int textured), {
    const q = Module['quongl'];
    const gl = q.gl;
    gl.bufferData(gl.ARRAY_BUFFER, HEAPU8.subarray(v, v + n * 40), gl.STREAM_DRAW);
    gl.uniform1i(q.textured, textured);
    gl.drawArrays(gl.TRIANGLES, 0, n);
});
// clang-format on

namespace quongl {
namespace {

class WebGLBackend : public Backend {
public:
    void enable(GLenum cap, bool on) override { quongl_js_enable(int(cap), on); }
    void blendFunc(GLenum s, GLenum d) override { quongl_js_blend(int(s), int(d)); }
    void viewport(GLint x, GLint y, GLsizei w, GLsizei h) override {
        quongl_js_viewport(x, y, w, h);
    }
    void clear(GLbitfield mask) override { quongl_js_clear(int(mask)); }
    void texImage(GLuint name, GLsizei w, GLsizei h, const void* rgba) override {
        quongl_js_texture(int(name));
        quongl_js_image(w, h, rgba);
    }
    void texParameter(GLuint name, GLenum pname, GLint value) override {
        quongl_js_texture(int(name));
        quongl_js_parameter(int(pname), value);
    }
    void triangles(const Vertex* v, int n, GLuint texture) override {
        if (texture) quongl_js_texture(int(texture));
        quongl_js_triangles(v, n, texture != 0);
    }
};

}  // namespace

bool openWebGL() {
    static WebGLBackend backend;
    if (!quongl_js_open()) return false;
    setBackend(&backend);
    return true;
}

}  // namespace quongl

// The context is back: everything that the lost one held, made again.
extern "C" EMSCRIPTEN_KEEPALIVE void quongl_webgl_restore() { quongl::restoreBackend(); }
