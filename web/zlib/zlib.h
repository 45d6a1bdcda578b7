// The part of the zlib interface that the asset library calls, for the web
// build, where the browser page inflates (see uncompress.cpp).
#ifndef QUON_WEB_ZLIB_H
#define QUON_WEB_ZLIB_H

typedef unsigned char Bytef;
typedef unsigned long uLong;
typedef uLong uLongf;

#define Z_OK 0
#define Z_MEM_ERROR (-4)
#define Z_BUF_ERROR (-5)
#define Z_DATA_ERROR (-3)

#ifdef __cplusplus
extern "C" {
#endif
// As zlib's: inflates the zlib stream source[0 .. sourceLen) into dest, which
// holds *destLen bytes; *destLen becomes the inflated length. Z_OK, or
// Z_BUF_ERROR when dest is too small, Z_DATA_ERROR for a damaged or cut stream.
int uncompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen);
#ifdef __cplusplus
}
#endif

#endif
