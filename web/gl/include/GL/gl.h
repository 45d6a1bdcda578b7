// Builds that draw through quongl find it under the usual header name.
#include "../../quongl.h"
