// The cell order of the scroller's 16x16 glyph sheet, shared by the demo's
// scroller (which looks characters up in it) and the glyph generator (which
// draws each character into its cell): cells 0..94 hold the codes 32..126 in
// order, but for the letters' case; cell 95 holds none (the zero byte).
#ifndef QUON_GLYPH_CELLS_H
#define QUON_GLYPH_CELLS_H

#define QUON_GLYPH_CELL_ORDER \
    " !\"#$%&'()*+,-./"       \
    "0123456789:;<=>?"        \
    "@abcdefghijklmno"        \
    "pqrstuvwxyz[\\]^_"       \
    "`ABCDEFGHIJKLMNO"        \
    "PQRSTUVWXYZ{|}~"

#endif
