// The stb_vorbis decoder, compiled once for the music tests.
#include <stb/stb_vorbis.h>
