#include "gl_recorder.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdio>

GlRecorder glRec;

GlMatrix GlMatrix::translation(double x, double y, double z) {
    GlMatrix r;
    r.m[12] = x, r.m[13] = y, r.m[14] = z;
    return r;
}

GlMatrix GlMatrix::operator*(const GlMatrix& o) const {
    GlMatrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double v = 0;
            for (int k = 0; k < 4; ++k) v += m[k * 4 + row] * o.m[c * 4 + k];
            r.m[c * 4 + row] = v;
        }
    r.ortho = ortho || o.ortho;
    return r;
}

std::array<double, 3> GlMatrix::apply(double x, double y, double z) const {
    return {{m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
             m[2] * x + m[6] * y + m[10] * z + m[14]}};
}

std::vector<GlMatrix>& GlRecorder::stack() {
    switch (matrixMode) {
        case GL_PROJECTION: return projection;
        case GL_TEXTURE: return texture;
        default: return modelview;
    }
}

std::vector<std::string> GlRecorder::logOf(const std::set<std::string>& names) const {
    std::vector<std::string> out;
    for (const std::string& l : log)
        if (names.count(l.substr(0, l.find(' ')))) out.push_back(l);
    return out;
}

std::vector<GlVertex> GlRecorder::allVertices() const {
    std::vector<GlVertex> out;
    for (const GlDraw& d : draws) out.insert(out.end(), d.vertices.begin(), d.vertices.end());
    return out;
}

namespace {

void note(const char* name, std::initializer_list<double> args = {}) {
    ++glRec.calls;
    if (!glRec.logging) return;
    std::string l = name;
    for (double a : args) {
        char b[32];
        std::snprintf(b, sizeof b, " %g", a);
        l += b;
    }
    glRec.log.push_back(l);
}

GlDraw newDraw(GLenum mode) {
    const GlRecorder& g = glRec;
    return GlDraw{mode,
                  g.state,
                  g.projection.back().ortho,
                  g.modelview.back(),
                  g.projection.back(),
                  g.texture.back(),
                  g.viewport,
                  0,
                  0,
                  0,
                  0,
                  nullptr,
                  {}};
}

GlVertex placed(float s, float t, float x, float y, float z) {
    std::array<double, 3> p = glRec.modelview.back().apply(x, y, z);
    return GlVertex{s, t, float(p[0]), float(p[1]), float(p[2]), x, y, z};
}

void vertex(float x, float y, float z) {
    if (!glRec.inBegin) return (void)glRec.misuse++;
    GlDraw& d = glRec.draws.back();
    d.vertices.push_back(placed(glRec.s, glRec.t, x, y, z));
    d.count = GLsizei(d.vertices.size());
}

void multiply(const GlMatrix& by) {
    GlMatrix& top = glRec.stack().back();
    top = top * by;
}

// The texture object bound to `target`, or null (and misuse) for a target
// the demo does not use.
GlTexture* boundTexture(GLenum target) {
    if (target != GL_TEXTURE_2D) return glRec.misuse++, nullptr;
    return &glRec.textures[glRec.bound[target]];
}

}  // namespace

extern "C" {
void glEnable(GLenum cap) { note("glEnable", {double(cap)}), glRec.state.enabled.insert(cap); }
void glDisable(GLenum cap) { note("glDisable", {double(cap)}), glRec.state.enabled.erase(cap); }
void glBlendFunc(GLenum s, GLenum d) {
    note("glBlendFunc", {double(s), double(d)});
    glRec.state.blendSrc = s, glRec.state.blendDst = d;
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    note("glColor3f", {r, g, b});
    glRec.state.colour = {{r, g, b, 1}};
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    note("glColor4f", {r, g, b, a});
    glRec.state.colour = {{r, g, b, a}};
}
void glClear(GLbitfield mask) { note("glClear", {double(mask)}), ++glRec.clears; }
void glFlush() { note("glFlush"); }
void glFinish() { note("glFinish"); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    note("glViewport", {double(x), double(y), double(w), double(h)});
    glRec.viewport = {{x, y, w, h}};
}

void glMatrixMode(GLenum mode) {
    note("glMatrixMode", {double(mode)});
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION && mode != GL_TEXTURE)
        return (void)glRec.misuse++;
    glRec.matrixMode = mode;
}
void glPushMatrix() { note("glPushMatrix"), glRec.stack().push_back(glRec.stack().back()); }
void glPopMatrix() {
    note("glPopMatrix");
    if (glRec.stack().size() < 2) return (void)glRec.misuse++;
    glRec.stack().pop_back();
}
void glLoadIdentity() { note("glLoadIdentity"), glRec.stack().back() = GlMatrix{}; }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    note("glOrtho", {l, r, b, t, n, f});
    GlMatrix o;
    o.m[0] = 2 / (r - l), o.m[5] = 2 / (t - b), o.m[10] = -2 / (f - n);
    o.m[12] = -(r + l) / (r - l), o.m[13] = -(t + b) / (t - b), o.m[14] = -(f + n) / (f - n);
    o.ortho = true;
    multiply(o);
    glRec.orthoArgs = {{l, r, b, t, n, f}};
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    note("glTranslatef", {x, y, z});
    multiply(GlMatrix::translation(x, y, z));
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    note("glScalef", {x, y, z});
    GlMatrix s;
    s.m[0] = x, s.m[5] = y, s.m[10] = z;
    multiply(s);
}
void glScaled(GLdouble x, GLdouble y, GLdouble z) {
    note("glScaled", {x, y, z});
    GlMatrix s;
    s.m[0] = x, s.m[5] = y, s.m[10] = z;
    multiply(s);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    note("glRotatef", {angle, x, y, z});
    const double len = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (len == 0) return;
    const double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double u = x / len, v = y / len, w = z / len;
    GlMatrix r;
    r.m = {{u * u * (1 - c) + c, v * u * (1 - c) + w * s, u * w * (1 - c) - v * s, 0,
            u * v * (1 - c) - w * s, v * v * (1 - c) + c, v * w * (1 - c) + u * s, 0,
            u * w * (1 - c) + v * s, v * w * (1 - c) - u * s, w * w * (1 - c) + c, 0, 0, 0, 0, 1}};
    multiply(r);
}

void glBegin(GLenum mode) {
    note("glBegin", {double(mode)});
    glRec.misuse += glRec.inBegin;
    glRec.inBegin = true;
    glRec.draws.push_back(newDraw(mode));
}
void glEnd() {
    note("glEnd");
    glRec.misuse += !glRec.inBegin;
    glRec.inBegin = false;
}
void glTexCoord2f(GLfloat s, GLfloat t) { ++glRec.calls, glRec.s = s, glRec.t = t; }
void glTexCoord2i(GLint s, GLint t) { ++glRec.calls, glRec.s = float(s), glRec.t = float(t); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { ++glRec.calls, vertex(x, y, z); }
void glVertex2i(GLint x, GLint y) { ++glRec.calls, vertex(float(x), float(y), 0); }
void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    note("glInterleavedArrays", {double(format), double(stride)});
    glRec.arrayFormat = format, glRec.arrayStride = stride, glRec.arrayPointer = pointer;
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    note("glDrawArrays", {double(mode), double(first), double(count)});
    GlDraw d = newDraw(mode);
    d.first = first, d.count = count;
    d.arrayFormat = glRec.arrayFormat, d.arrayStride = glRec.arrayStride;
    d.arrayPointer = glRec.arrayPointer;
    const float* a = static_cast<const float*>(glRec.arrayPointer);
    if (a && glRec.arrayFormat == GL_T2F_V3F && (glRec.arrayStride == 0 || glRec.arrayStride == 20))
        for (const float* v = a + 5 * first; count-- > 0; v += 5)
            d.vertices.push_back(placed(v[0], v[1], v[2], v[3], v[4]));
    glRec.draws.push_back(d);
}

void glGenTextures(GLsizei n, GLuint* names) {
    note("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; ++i) names[i] = glRec.nextName++;
}
void glBindTexture(GLenum target, GLuint name) {
    note("glBindTexture", {double(target), double(name)});
    if (target != GL_TEXTURE_2D) return (void)glRec.misuse++;
    glRec.bound[target] = name;
    glRec.state.texture = name;
}
void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    note("glTexParameteri", {double(target), double(pname), double(param)});
    if (GlTexture* t = boundTexture(target)) t->params[pname] = param;
}
void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                  GLenum format, GLenum type, const GLvoid* data) {
    note("glTexImage2D", {double(target), double(level), double(internal), double(w), double(h),
                          double(border), double(format), double(type)});
    GlTexture* t = boundTexture(target);
    if (!t || level < 0) return (void)(glRec.misuse += t != nullptr);
    t->levels[level] = {{w, h}};
    glRec.texImages.push_back(
        {glRec.bound[target], level, internal, w, h, border, format, type, data});
}
void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* v) {
    note("glGetTexLevelParameteriv", {double(target), double(level), double(pname)});
    GlTexture* t = boundTexture(target);
    auto l = t ? t->levels.find(level) : std::map<GLint, std::array<GLsizei, 2>>::iterator();
    const bool has = t && l != t->levels.end();
    if (pname == GL_TEXTURE_WIDTH)
        *v = has ? l->second[0] : 0;
    else if (pname == GL_TEXTURE_HEIGHT)
        *v = has ? l->second[1] : 0;
    else
        glRec.misuse++;
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    note("gluPerspective", {fovy, aspect, zNear, zFar});
    const double f = 1 / std::tan(fovy * M_PI / 360);
    GlMatrix p;
    p.m = {{f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (zFar + zNear) / (zNear - zFar), -1, 0, 0,
            2 * zFar * zNear / (zNear - zFar), 0}};
    multiply(p);
}
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
    note("gluLookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz});
    auto norm = [](std::array<double, 3> a) {
        const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        return std::array<double, 3>{{a[0] / l, a[1] / l, a[2] / l}};
    };
    auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{
            {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}};
    };
    const std::array<double, 3> f = norm({{cx - ex, cy - ey, cz - ez}});
    const std::array<double, 3> s = norm(cross(f, {{ux, uy, uz}}));
    const std::array<double, 3> u = cross(s, f);
    GlMatrix r;
    r.m = {{s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1}};
    multiply(r);
    multiply(GlMatrix::translation(-ex, -ey, -ez));
}
}
