// Writes the cheese and saucer meshes into the folder named on the command
// line, the same bytes on every run.
#include <cstdio>
#include <string>

#include "mesh.h"
#include "pngwrite.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = writeFile(dir + "cheese.oia", mesh::encodeOia(mesh::makeCheese()));
    ok = writeFile(dir + "UFO-0.oia", mesh::encodeOia(mesh::makeUfo())) && ok;
    return ok ? 0 : 1;
}
