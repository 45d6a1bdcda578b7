// The fixed-function state of quongl: matrix stacks, current colour and
// texture coordinate, immediate mode, client arrays and texture objects.
// Vertices are transformed here, on the CPU, and handed to the back end as
// clip-space triangles, so that the back end needs no matrices of its own.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "quongl_backend.h"

namespace {

struct Mat {
    float m[16];  // column-major, as OpenGL keeps it: m[col * 4 + row]
};

Mat identity() {
    Mat r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

// a * b
Mat mul(const Mat& a, const Mat& b) {
    Mat r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = s;
        }
    return r;
}

void apply(const Mat& a, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row)
        out[row] =
            a.m[row] * in[0] + a.m[4 + row] * in[1] + a.m[8 + row] * in[2] + a.m[12 + row] * in[3];
}

constexpr int kStackDepth = 32;

struct Texture {
    GLsizei w = 0, h = 0;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    // What the back end was given, to give it again after it lost it: the
    // image (empty when it came without pixels) and the parameters set.
    std::vector<unsigned char> pixels;
    bool hasImage = false;
    std::map<GLenum, GLint> params;
    // Level 0 only and no mipmaps: complete when it has an image and its
    // minification filter needs no other level.
    bool complete() const {
        return w > 0 && h > 0 && (minFilter == GL_NEAREST || minFilter == GL_LINEAR);
    }
};

// An object-space vertex with the attributes current when it was given.
struct Input {
    float x, y, z;
    float s, t;
    float r, g, b, a;
};

struct State {
    quongl::Backend* backend = nullptr;
    GLenum error = GL_NO_ERROR;

    std::vector<Mat> stacks[3] = {{identity()}, {identity()}, {identity()}};
    int matrixMode = 0;  // index: modelview, projection, texture

    float color[4] = {1, 1, 1, 1};
    float texCoord[2] = {0, 0};

    bool inBegin = false;
    GLenum beginMode = 0;
    std::vector<Input> immediate;

    bool vertexArray = false, texCoordArray = false, normalArray = false, colorArray = false;
    const unsigned char* arrayBase = nullptr;
    GLsizei arrayStride = 0;
    int texOffset = -1, vertexOffset = 0;  // byte offsets in a record

    bool texture2D = false, lighting = false;
    // The back end's own state, as last given to it.
    std::map<GLenum, bool> caps;
    bool blendSet = false, viewportSet = false;
    GLenum blend[2] = {GL_ONE, GL_ZERO};
    GLint viewport[4] = {0, 0, 0, 0};

    GLuint bound = 0;
    GLuint nextName = 1;
    std::map<GLuint, Texture> textures;

    std::vector<quongl::Vertex> out;
};

State& gl() {
    static State* s = new State;
    return *s;
}

void setError(GLenum e) {
    if (gl().error == GL_NO_ERROR) gl().error = e;
}

// Calls that GL 1.1 forbids between glBegin and glEnd.
bool outsideBegin() {
    if (gl().inBegin) {
        setError(GL_INVALID_OPERATION);
        return false;
    }
    return true;
}

Mat& top() { return gl().stacks[gl().matrixMode].back(); }

void multiply(const Mat& m) {
    if (!outsideBegin()) return;
    top() = mul(top(), m);
}

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

quongl::Vertex transform(const Input& in, const Mat& mvp, const Mat& tex) {
    quongl::Vertex v;
    const float p[4] = {in.x, in.y, in.z, 1.0f};
    float c[4];
    apply(mvp, p, c);
    v.x = c[0], v.y = c[1], v.z = c[2], v.w = c[3];
    const float t[4] = {in.s, in.t, 0.0f, 1.0f};
    float tc[4];
    apply(tex, t, tc);
    const float q = tc[3] != 0.0f ? tc[3] : 1.0f;
    v.s = tc[0] / q, v.t = tc[1] / q;
    v.r = clamp01(in.r), v.g = clamp01(in.g), v.b = clamp01(in.b), v.a = clamp01(in.a);
    return v;
}

bool supportedMode(GLenum mode) {
    if (mode == GL_QUADS || mode == GL_TRIANGLES) return true;
    std::fprintf(stderr, "quongl: primitive mode 0x%x is not supported\n", mode);
    setError(GL_INVALID_ENUM);
    return false;
}

// Transforms the vertices and draws them as triangles: a quad v0 v1 v2 v3
// becomes v0 v1 v3 and v1 v2 v3 (both keep the quad's winding); an
// incomplete last primitive is left out.
void draw(GLenum mode, const Input* in, int n) {
    State& s = gl();
    const Mat mvp = mul(s.stacks[1].back(), s.stacks[0].back());
    const Mat& tex = s.stacks[2].back();
    s.out.clear();
    if (mode == GL_QUADS) {
        static const int order[6] = {0, 1, 3, 1, 2, 3};
        for (int q = 0; q + 4 <= n; q += 4)
            for (int k : order) s.out.push_back(transform(in[q + k], mvp, tex));
    } else {
        for (int i = 0; i < n / 3 * 3; ++i) s.out.push_back(transform(in[i], mvp, tex));
    }
    if (s.out.empty() || !s.backend) return;
    GLuint texture = 0;
    if (s.texture2D) {
        auto it = s.textures.find(s.bound);
        if (it != s.textures.end() && it->second.complete()) texture = s.bound;
    }
    s.backend->triangles(s.out.data(), static_cast<int>(s.out.size()), texture);
}

void addVertex(float x, float y, float z) {
    State& s = gl();
    if (!s.inBegin) return;  // GL 1.1: a vertex outside glBegin/glEnd is undefined; dropped
    s.immediate.push_back(
        {x, y, z, s.texCoord[0], s.texCoord[1], s.color[0], s.color[1], s.color[2], s.color[3]});
}

float readFloat(const unsigned char* p) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

}  // namespace

namespace quongl {
void setBackend(Backend* backend) { gl().backend = backend; }

void restoreBackend() {
    State& s = gl();
    if (!s.backend) return;
    for (const auto& [name, t] : s.textures) {
        if (t.hasImage)
            s.backend->texImage(name, t.w, t.h, t.pixels.empty() ? nullptr : t.pixels.data());
        for (const auto& [pname, value] : t.params) s.backend->texParameter(name, pname, value);
    }
    for (const auto& [cap, on] : s.caps) s.backend->enable(cap, on);
    if (s.blendSet) s.backend->blendFunc(s.blend[0], s.blend[1]);
    if (s.viewportSet)
        s.backend->viewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
}
}  // namespace quongl

extern "C" {

void glBegin(GLenum mode) {
    if (!outsideBegin() || !supportedMode(mode)) return;
    gl().inBegin = true;
    gl().beginMode = mode;
    gl().immediate.clear();
}

void glEnd(void) {
    State& s = gl();
    if (!s.inBegin) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    s.inBegin = false;
    draw(s.beginMode, s.immediate.data(), static_cast<int>(s.immediate.size()));
}

void glVertex2i(GLint x, GLint y) { addVertex(float(x), float(y), 0.0f); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { addVertex(x, y, z); }
void glTexCoord2i(GLint s, GLint t) { glTexCoord2f(float(s), float(t)); }
void glTexCoord2f(GLfloat s, GLfloat t) {
    gl().texCoord[0] = s;
    gl().texCoord[1] = t;
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { glColor4f(r, g, b, 1.0f); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    float* c = gl().color;
    c[0] = r, c[1] = g, c[2] = b, c[3] = a;
}

void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    if (!outsideBegin()) return;
    if (stride < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    int tex = -1, normal = -1, vertex, size;
    switch (format) {
        case GL_V3F: vertex = 0, size = 12; break;
        case GL_N3F_V3F: normal = 0, vertex = 12, size = 24; break;
        case GL_T2F_V3F: tex = 0, vertex = 8, size = 20; break;
        case GL_T2F_N3F_V3F: tex = 0, normal = 8, vertex = 20, size = 32; break;
        default:
            std::fprintf(stderr, "quongl: interleaved format 0x%x is not supported\n", format);
            setError(GL_INVALID_ENUM);
            return;
    }
    State& s = gl();
    s.arrayBase = static_cast<const unsigned char*>(pointer);
    s.arrayStride = stride ? stride : size;
    s.texOffset = tex;
    s.vertexOffset = vertex;
    // As GL 1.1 does: the arrays of the format on, the colour array off; they
    // stay so after the draw.
    s.vertexArray = true;
    s.texCoordArray = tex >= 0;
    s.normalArray = normal >= 0;
    s.colorArray = false;
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    if (!outsideBegin()) return;
    if (count < 0 || first < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    if (!supportedMode(mode)) return;
    State& s = gl();
    if (!s.vertexArray || !s.arrayBase || count == 0) return;
    std::vector<Input> in(static_cast<size_t>(count));
    for (GLsizei i = 0; i < count; ++i) {
        const unsigned char* rec = s.arrayBase + static_cast<size_t>(first + i) * s.arrayStride;
        Input& v = in[i];
        v.x = readFloat(rec + s.vertexOffset);
        v.y = readFloat(rec + s.vertexOffset + 4);
        v.z = readFloat(rec + s.vertexOffset + 8);
        if (s.texCoordArray) {
            v.s = readFloat(rec + s.texOffset);
            v.t = readFloat(rec + s.texOffset + 4);
        } else {
            v.s = s.texCoord[0], v.t = s.texCoord[1];
        }
        v.r = s.color[0], v.g = s.color[1], v.b = s.color[2], v.a = s.color[3];
    }
    draw(mode, in.data(), count);
}

void glMatrixMode(GLenum mode) {
    if (!outsideBegin()) return;
    switch (mode) {
        case GL_MODELVIEW: gl().matrixMode = 0; break;
        case GL_PROJECTION: gl().matrixMode = 1; break;
        case GL_TEXTURE: gl().matrixMode = 2; break;
        default: setError(GL_INVALID_ENUM);
    }
}

void glLoadIdentity(void) {
    if (outsideBegin()) top() = identity();
}

void glPushMatrix(void) {
    if (!outsideBegin()) return;
    auto& stack = gl().stacks[gl().matrixMode];
    if (stack.size() >= kStackDepth) {
        setError(GL_STACK_OVERFLOW);
        return;
    }
    stack.push_back(stack.back());
}

void glPopMatrix(void) {
    if (!outsideBegin()) return;
    auto& stack = gl().stacks[gl().matrixMode];
    if (stack.size() <= 1) {
        setError(GL_STACK_UNDERFLOW);
        return;
    }
    stack.pop_back();
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    if (l == r || b == t || n == f) {
        setError(GL_INVALID_VALUE);
        return;
    }
    Mat m = identity();
    m.m[0] = float(2.0 / (r - l));
    m.m[5] = float(2.0 / (t - b));
    m.m[10] = float(-2.0 / (f - n));
    m.m[12] = float(-(r + l) / (r - l));
    m.m[13] = float(-(t + b) / (t - b));
    m.m[14] = float(-(f + n) / (f - n));
    multiply(m);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Mat m = identity();
    m.m[12] = x, m.m[13] = y, m.m[14] = z;
    multiply(m);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const double len = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (len == 0.0) return;  // no axis: the matrix is left as it is
    const double ux = x / len, uy = y / len, uz = z / len;
    const double a = angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a), k = 1.0 - c;
    Mat m = identity();
    m.m[0] = float(ux * ux * k + c);
    m.m[1] = float(uy * ux * k + uz * s);
    m.m[2] = float(ux * uz * k - uy * s);
    m.m[4] = float(ux * uy * k - uz * s);
    m.m[5] = float(uy * uy * k + c);
    m.m[6] = float(uy * uz * k + ux * s);
    m.m[8] = float(ux * uz * k + uy * s);
    m.m[9] = float(uy * uz * k - ux * s);
    m.m[10] = float(uz * uz * k + c);
    multiply(m);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    Mat m = identity();
    m.m[0] = x, m.m[5] = y, m.m[10] = z;
    multiply(m);
}

void glScaled(GLdouble x, GLdouble y, GLdouble z) { glScalef(float(x), float(y), float(z)); }

void glGenTextures(GLsizei n, GLuint* textures) {
    if (n < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    State& s = gl();
    for (GLsizei i = 0; i < n; ++i) {
        while (s.textures.count(s.nextName)) ++s.nextName;
        textures[i] = s.nextName;
        s.textures[s.nextName++];  // reserved, as a name that glGenTextures gave
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    if (!outsideBegin()) return;
    if (target != GL_TEXTURE_2D) {
        setError(GL_INVALID_ENUM);
        return;
    }
    gl().bound = texture;
    gl().textures[texture];
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (!outsideBegin()) return;
    if (target != GL_TEXTURE_2D) {
        setError(GL_INVALID_ENUM);
        return;
    }
    State& s = gl();
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER:
            if (param != GL_NEAREST && param != GL_LINEAR && param != GL_NEAREST_MIPMAP_NEAREST &&
                param != GL_LINEAR_MIPMAP_NEAREST && param != GL_NEAREST_MIPMAP_LINEAR &&
                param != GL_LINEAR_MIPMAP_LINEAR) {
                setError(GL_INVALID_ENUM);
                return;
            }
            s.textures[s.bound].minFilter = param;
            break;
        case GL_TEXTURE_MAG_FILTER:
            if (param != GL_NEAREST && param != GL_LINEAR) {
                setError(GL_INVALID_ENUM);
                return;
            }
            break;
        case GL_TEXTURE_WRAP_S:
        case GL_TEXTURE_WRAP_T:
            if (param != GL_REPEAT && param != GL_CLAMP) {
                setError(GL_INVALID_ENUM);
                return;
            }
            break;
        default: setError(GL_INVALID_ENUM); return;
    }
    s.textures[s.bound].params[pname] = param;
    if (s.backend) s.backend->texParameter(s.bound, pname, param);
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    if (!outsideBegin()) return;
    if (target != GL_TEXTURE_2D || format != GL_RGBA || type != GL_UNSIGNED_BYTE ||
        (internalformat != GL_RGBA && internalformat != 4)) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (level < 0 || width < 0 || height < 0 || border != 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    if (level > 0) return;  // no filter here reads other levels
    State& s = gl();
    Texture& t = s.textures[s.bound];
    t.w = width, t.h = height;
    t.hasImage = true;
    if (pixels) {
        const auto* p = static_cast<const unsigned char*>(pixels);
        t.pixels.assign(p, p + size_t(width) * size_t(height) * 4);
    } else {
        t.pixels.clear();
    }
    if (s.backend) s.backend->texImage(s.bound, width, height, pixels);
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
    if (!outsideBegin()) return;
    if (target != GL_TEXTURE_2D || (pname != GL_TEXTURE_WIDTH && pname != GL_TEXTURE_HEIGHT)) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (level < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    const Texture& t = gl().textures[gl().bound];
    *params = level > 0 ? 0 : (pname == GL_TEXTURE_WIDTH ? t.w : t.h);
}

static void setCap(GLenum cap, bool on) {
    if (!outsideBegin()) return;
    State& s = gl();
    switch (cap) {
        case GL_TEXTURE_2D: s.texture2D = on; break;
        case GL_LIGHTING: s.lighting = on; break;
        case GL_BLEND:
        case GL_DEPTH_TEST:
        case GL_CULL_FACE:
            s.caps[cap] = on;
            if (s.backend) s.backend->enable(cap, on);
            break;
        default: setError(GL_INVALID_ENUM);
    }
}

void glEnable(GLenum cap) { setCap(cap, true); }
void glDisable(GLenum cap) { setCap(cap, false); }

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    if (!outsideBegin()) return;
    auto valid = [](GLenum f) {
        return f <= GL_ONE || (f >= GL_SRC_COLOR && f <= GL_ONE_MINUS_DST_COLOR);
    };
    if (!valid(sfactor) || !valid(dfactor) || sfactor == GL_SRC_COLOR ||
        sfactor == GL_ONE_MINUS_SRC_COLOR || dfactor == GL_DST_COLOR ||
        dfactor == GL_ONE_MINUS_DST_COLOR) {
        setError(GL_INVALID_ENUM);  // GL 1.1 has no source colour for sfactor, nor dest colour for
                                    // dfactor
        return;
    }
    State& s = gl();
    s.blendSet = true;
    s.blend[0] = sfactor, s.blend[1] = dfactor;
    if (s.backend) s.backend->blendFunc(sfactor, dfactor);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!outsideBegin()) return;
    if (width < 0 || height < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    State& s = gl();
    s.viewportSet = true;
    s.viewport[0] = x, s.viewport[1] = y, s.viewport[2] = width, s.viewport[3] = height;
    if (s.backend) s.backend->viewport(x, y, width, height);
}

void glClear(GLbitfield mask) {
    if (!outsideBegin()) return;
    if (mask & ~GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)) {
        setError(GL_INVALID_VALUE);
        return;
    }
    if (gl().backend) gl().backend->clear(mask);
}

void glFlush(void) {}

void glFinish(void) {
    if (gl().backend) gl().backend->finish();
}

GLenum glGetError(void) {
    GLenum e = gl().error;
    gl().error = GL_NO_ERROR;
    return e;
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double rad = fovy / 2 * M_PI / 180.0, sine = std::sin(rad), dz = zFar - zNear;
    if (dz == 0 || sine == 0 || aspect == 0) return;
    const double cot = std::cos(rad) / sine;
    Mat m = identity();
    m.m[0] = float(cot / aspect);
    m.m[5] = float(cot);
    m.m[10] = float(-(zFar + zNear) / dz);
    m.m[11] = -1.0f;
    m.m[14] = float(-2 * zNear * zFar / dz);
    m.m[15] = 0.0f;
    multiply(m);
}

void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
    auto normalize = [](double v[3]) {
        double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (l != 0) v[0] /= l, v[1] /= l, v[2] /= l;
    };
    double f[3] = {cx - ex, cy - ey, cz - ez}, up[3] = {ux, uy, uz};
    normalize(f);
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2],
                   f[0] * up[1] - f[1] * up[0]};
    normalize(s);
    double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    Mat m = identity();
    for (int i = 0; i < 3; ++i) {
        m.m[i * 4 + 0] = float(s[i]);
        m.m[i * 4 + 1] = float(u[i]);
        m.m[i * 4 + 2] = float(-f[i]);
    }
    multiply(m);
    glTranslatef(float(-ex), float(-ey), float(-ez));
}

}  // extern "C"
