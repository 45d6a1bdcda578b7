#include "scene_fake.h"

#include "main.h"

FakeGl fakeGl;
FakeLib fakeLib;

static int contextTag;
quon_lib_t* pQuonLib = reinterpret_cast<quon_lib_t*>(&contextTag);

static std::vector<FakeMatrix>& stack() {
    return fakeGl.matrixMode == GL_PROJECTION ? fakeGl.projection : fakeGl.modelview;
}
static FakeDraw newDraw(GLenum mode) {
    return FakeDraw{mode, fakeGl.state, fakeGl.projection.back().ortho, {}};
}
static FakeVertex placed(float s, float t, float x, float y, float z) {
    const FakeMatrix& m = fakeGl.modelview.back();
    return FakeVertex{s, t, x + m.tx, y + m.ty, z + m.tz};
}

extern "C" {
void glEnable(GLenum cap) { fakeGl.state.enabled.insert(cap); }
void glDisable(GLenum cap) { fakeGl.state.enabled.erase(cap); }
void glBlendFunc(GLenum s, GLenum d) { fakeGl.state.blendSrc = s, fakeGl.state.blendDst = d; }
void glBindTexture(GLenum, GLuint name) { fakeGl.state.texture = name; }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { fakeGl.state.colour = {{r, g, b, 1}}; }
void glBegin(GLenum mode) {
    fakeGl.misuse += fakeGl.inBegin;
    fakeGl.inBegin = true;
    fakeGl.draws.push_back(newDraw(mode));
}
void glEnd() {
    fakeGl.misuse += !fakeGl.inBegin;
    fakeGl.inBegin = false;
}
void glTexCoord2f(GLfloat s, GLfloat t) { fakeGl.s = s, fakeGl.t = t; }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!fakeGl.inBegin) return (void)fakeGl.misuse++;
    fakeGl.draws.back().vertices.push_back(placed(fakeGl.s, fakeGl.t, x, y, z));
}
void glMatrixMode(GLenum mode) { fakeGl.matrixMode = mode; }
void glPushMatrix() { stack().push_back(stack().back()); }
void glPopMatrix() {
    if (stack().size() < 2) return (void)fakeGl.misuse++;
    stack().pop_back();
}
void glLoadIdentity() { stack().back() = FakeMatrix{}; }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    stack().back().ortho = true;
    fakeGl.orthoArgs = {{l, r, b, t, n, f}};
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    FakeMatrix& m = stack().back();
    m.tx += x, m.ty += y, m.tz += z;
}
void glInterleavedArrays(GLenum format, GLsizei, const GLvoid* pointer) {
    fakeGl.array = format == GL_T2F_V3F ? static_cast<const float*>(pointer) : nullptr;
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    FakeDraw d = newDraw(mode);
    for (const float* v = fakeGl.array + 5 * first; fakeGl.array && count-- > 0; v += 5)
        d.vertices.push_back(placed(v[0], v[1], v[2], v[3], v[4]));
    fakeGl.draws.push_back(d);
}
}

// The library's loads: the text comes from fakeLib, every image is a new
// empty record, every texture a new name.
static void checkContext(quon_lib_t* ql) { fakeLib.wrongContext += ql != pQuonLib; }

quon_memfile_t* quon_memfile_new(quon_lib_t* ql) {
    checkContext(ql);
    fakeLib.liveRecords++;
    return new quon_memfile_t{nullptr, 0, 0};
}
int quon_memfile_delete(quon_memfile_t** pfmf) {
    fakeLib.liveRecords -= *pfmf != nullptr;
    delete *pfmf;
    *pfmf = nullptr;
    return 0;
}
int quon_memfile_load(quon_lib_t* ql, quon_memfile_t* pfmf, const char* name) {
    checkContext(ql);
    fakeLib.names.push_back(name);
    if (!fakeLib.textFound) return -1;
    *pfmf = quon_memfile_t{const_cast<unsigned char*>(fakeLib.text), fakeLib.textSize, 0};
    return 0;
}
quon_image_t* quon_imageFromPNG(quon_lib_t* ql, const char* name) {
    checkContext(ql);
    fakeLib.names.push_back(name);
    fakeLib.liveRecords++;
    return new quon_image_t{};
}
int32_t quon_image_toRGBA8888(quon_lib_t* ql, quon_image_t*) { return checkContext(ql), 0; }
GLuint util_textureFromQuonImage(quon_lib_t* ql, quon_image_t*) {
    checkContext(ql);
    return ++fakeLib.lastTexture;
}
int quon_image_delete(quon_lib_t* ql, quon_image_t** image) {
    checkContext(ql);
    fakeLib.liveRecords -= *image != nullptr;
    delete *image;
    *image = nullptr;
    return 0;
}
