# Writes the page (index.html) into the build's web folder with the size of
# quon.wasm filled in, which its download progress counts against.
#   cmake -DPAGE=web/index.html -DWASM=<web>/quon.wasm -DOUT=<web>/index.html -P page.cmake
file(SIZE ${WASM} QUON_WASM_BYTES)
configure_file(${PAGE} ${OUT} @ONLY)
