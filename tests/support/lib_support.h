// Helpers shared by the library's unit tests: archives built in memory,
// scratch folders and trace inspection.
#ifndef LIB_SUPPORT_H
#define LIB_SUPPORT_H

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ql.h"

namespace libtest {

inline void putI32(std::string& s, int64_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char(uint32_t(v) >> (8 * i)));
}
inline void putU16(std::string& s, unsigned v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8 & 0xFF));
}
inline void setI32(std::string& s, size_t at, int64_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(uint32_t(v) >> (8 * i));
}
inline void setU16(std::string& s, size_t at, unsigned v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8 & 0xFF);
}

// A "QDAR" archive written by the test itself, independent of the packer.
struct Archive {
    std::string bytes;
    std::vector<int32_t> records;  // record offset of each entry
    size_t dir = 0;                // directory offset
    size_t entries() const { return dir + 5; }
    size_t names() const { return dir + 5 + 6 * records.size(); }
};

inline Archive buildArchive(const std::vector<std::pair<std::string, std::string>>& files) {
    Archive a;
    std::string& s = a.bytes;
    s = "QDAR";
    putI32(s, 0);
    for (const auto& f : files) {
        a.records.push_back(int32_t(s.size()));
        s += "DAT";
        putI32(s, int64_t(f.second.size()));
        s += f.second;
        s.push_back(f.second.empty() ? '\0' : f.second.back());
    }
    a.dir = s.size();
    s += "DIR";
    putU16(s, unsigned(files.size()));
    std::string names;
    for (size_t i = 0; i < files.size(); ++i) {
        putI32(s, a.records[i]);
        putU16(s, unsigned(names.size()));
        names += files[i].first;
        names.push_back('\0');
    }
    s += names;
    s += "END";
    putI32(s, int64_t(a.dir));
    setI32(s, 4, int64_t(s.size()));
    return a;
}

// The archive bytes in a heap block of exactly their size, so that the
// sanitizer build catches any read past them.
struct Held {
    explicit Held(const std::string& s)
        : p(static_cast<unsigned char*>(std::malloc(s.size()))), n(s.size()) {
        std::copy(s.begin(), s.end(), p);
    }
    ~Held() { std::free(p); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    unsigned char* p;
    size_t n;
};

struct Context {
    Context() : h(quon_new()) {}
    ~Context() { quon_delete(h); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ql_t* ql() const { return ql_of(h); }
    operator quon_lib_t*() const { return h; }
    quon_lib_t* h;
};

inline std::vector<std::string> traceLines(quon_lib_t* h) {
    std::vector<std::string> lines;
    std::istringstream in(quon_getTrace(h));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::string newestLine(quon_lib_t* h) {
    std::vector<std::string> lines = traceLines(h);
    return lines.empty() ? std::string() : lines.back();
}

// A scratch folder removed with everything in it when the test ends.
struct TempDir {
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "quon-test-XXXXXX").string();
        path = mkdtemp(templ.data()) ? templ : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name, const std::string& content) const {
        std::string full = path + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }
    std::string path;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace libtest

#endif
