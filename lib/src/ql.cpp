// Trace ring and object table of the library context.
#include "ql.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char ql_started_line[] = "Started";

const char* const ql_trace_msgs[28] = {
    "",
    "png new: %08x",
    "png loadFromMem %d",
    "OUT OF MEMORY %08X",
    "palette entries: %ld",
    "image %08x",
    "Size: %ld",
    "Dir offset: %ld",
    "Dir entries: %ld",
    "data offset: %ld",
    "name offset: %ld",
    "data offset: %ld",
    "searching %s",
    "couldn't find %s",
    "found @ %d",
    "somthing is wrong pos was %ld",
    "quon_png_new",
    "invalid png signature",
    "IDAT",
    "IHDR",
    "IEND",
    "PLTE",
    "lines %d",
    "lenght %d",
    "last malloc size: %d",
    "malloc count: %d",
    "malloc total: %d",
    "",
};

namespace {

enum { LINE_BYTES = 100 };

// Formats one message with its single argument. The argument travels as a
// pointer-sized integer; it is handed to the format in the type that the
// conversion expects ("%s" a text address, "%ld" a long, "%d" an int, "%x" an
// unsigned int), so the same call is right on every data model.
void formatLine(char* out, const char* fmt, intptr_t value) {
    const char* p = std::strchr(fmt, '%');
    while (p && p[1] == '%') p = std::strchr(p + 2, '%');
    if (!p) {
        std::snprintf(out, LINE_BYTES, "%s", fmt);
        return;
    }
    const char* conv = p + 1;
    while (*conv && std::strchr("0123456789-+ #.", *conv)) ++conv;
    bool isLong = false;
    while (*conv == 'l') {
        isLong = true;
        ++conv;
    }
    switch (*conv) {
        case 's': {
            const char* text = reinterpret_cast<const char*>(value);
            std::snprintf(out, LINE_BYTES, fmt, text ? text : "(null)");
            break;
        }
        case 'x':
        case 'X':
        case 'u':
            if (isLong)
                std::snprintf(out, LINE_BYTES, fmt, static_cast<unsigned long>(value));
            else
                std::snprintf(out, LINE_BYTES, fmt, static_cast<unsigned>(value));
            break;
        default:
            if (isLong)
                std::snprintf(out, LINE_BYTES, fmt, static_cast<long>(value));
            else
                std::snprintf(out, LINE_BYTES, fmt, static_cast<int>(value));
            break;
    }
}

}  // namespace

// Appends one formatted line to the ring; the oldest line drops out and is
// released (the constant "Started" line of a new context is never released).
int ql_trace(ql_t* ql, int msg, intptr_t value) {
    if (!ql || msg < 0 || msg > 27) return -1;
    char* line = static_cast<char*>(std::malloc(LINE_BYTES));
    if (!line) return 0;  // the ring stays as it was
    formatLine(line, ql_trace_msgs[msg], value);
    const char* oldest = ql->traceFmt[0];
    if (oldest && oldest != ql_started_line) std::free(const_cast<char*>(oldest));
    for (int i = 0; i < QL_TRACE_LINES - 1; ++i) {
        ql->traceFmt[i] = ql->traceFmt[i + 1];
        ql->traceValue[i] = ql->traceValue[i + 1];
    }
    ql->traceFmt[QL_TRACE_LINES - 1] = line;
    ql->traceValue[QL_TRACE_LINES - 1] = 0;
    return 0;
}

// Hands out the next object id. The table grows in steps of 50 records up to
// 65500. When it cannot grow (out of memory, or full) the table is left as it
// was and 0xFFFF is returned, which is never a valid id.
uint16_t ql_object_new(ql_t* ql, uint16_t type) {
    enum { STEP = 50, MAX_RECORDS = 65500 };
    if (!ql) return QL_NO_OBJECT;
    if (ql->iNumObjects >= ql->iResObjects) {
        unsigned grown = unsigned(ql->iResObjects) + STEP;
        if (grown > MAX_RECORDS) return QL_NO_OBJECT;
        void* table = std::realloc(ql->objects, grown * sizeof(ql_object_t));
        if (!table) return QL_NO_OBJECT;
        ql->objects = static_cast<ql_object_t*>(table);
        ql->iResObjects = static_cast<uint16_t>(grown);
    }
    uint16_t id = ql->iNumObjects++;
    ql->objects[id].type = type;
    ql->objects[id].data = nullptr;
    return id;
}
