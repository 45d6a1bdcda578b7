// Builds that draw through quongl find its two GLU calls under the usual header name.
#include "../../quongl.h"
