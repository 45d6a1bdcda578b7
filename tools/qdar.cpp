// qdar: packs, lists and extracts "QDAR" asset archives.
//
//   qdar pack [--allow-missing] OUT MANIFEST
//   qdar list FILE
//   qdar extract FILE NAME
//
// A manifest holds "archive-name<TAB>file-path" lines in storage order; paths
// are relative to the manifest's folder; a line "include OTHER" (no TAB)
// stands for OTHER's lines, OTHER relative to the manifest's folder; blank
// lines and lines starting with "#" are ignored. The archive (integers
// little-endian):
//   "QDAR", int32 total length
//   per file: "DAT", int32 n, n bytes, one uncounted byte (the file's last
//             byte again, 0 for an empty file)
//   "DIR", uint16 N, N x (int32 record offset, uint16 name offset), names
//   "END", int32 directory offset
// The output depends only on the manifest and the files' bytes.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "dar_layout.h"

namespace {

const int64_t kMaxSize = INT32_MAX;
const size_t kMaxEntries = 65535;
const size_t kMaxNameTable = 65535;

struct Entry {
    std::string name;
    std::string path;
    int64_t size = 0;
};

// Every failure ends here: the message names the file and the reason.
struct Failure {
    std::string text;
};

[[noreturn]] void fail(const std::string& file, const std::string& reason) {
    throw Failure{file + ": " + reason};
}

void usage(std::ostream& out) {
    out << "usage: qdar pack [--allow-missing] OUT MANIFEST   pack the files a manifest lists\n"
           "       qdar list FILE                            list the entries of an archive\n"
           "       qdar extract FILE NAME                    write one entry to standard output\n"
           "       qdar --help                               show this text\n"
           "       qdar --version                            show the version\n"
           "A manifest line is \"archive-name<TAB>file-path\" (path relative to the manifest's\n"
           "folder), or \"include OTHER\" for the lines of manifest OTHER (relative to it too);\n"
           "blank lines and lines starting with # are ignored. --allow-missing leaves out the\n"
           "entries whose files do not exist and names them on standard error.\n";
}

void putI32(std::string& out, int64_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(u >> (8 * i)));
}

void putU16(std::string& out, size_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Appends the entries of `manifest` (and of those it includes) to `entries`;
// `open` holds the manifests being read, outermost first, against cycles.
void readManifest(const std::string& manifest, bool allowMissing, std::vector<Entry>& entries,
                  std::set<std::string>& names, std::vector<std::string>& open) {
    std::ifstream in(manifest, std::ios::binary);
    if (!in) fail(manifest, std::string("cannot open manifest: ") + std::strerror(errno));
    char* real = realpath(manifest.c_str(), nullptr);
    const std::string self = real ? real : manifest;
    free(real);
    for (const std::string& outer : open)
        if (outer == self) fail(manifest, "includes itself (a cycle of includes)");
    open.push_back(self);
    std::string line;
    const std::string base = folderOf(manifest);
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        size_t tab = line.find('\t');
        if (tab == std::string::npos && line.rfind("include ", 0) == 0 && line.size() > 8) {
            std::string other = line.substr(8);
            if (other[0] != '/') other = base + other;
            readManifest(other, allowMissing, entries, names, open);
            continue;
        }
        if (tab == std::string::npos) fail(manifest, where + "no TAB between name and path");
        Entry e;
        e.name = line.substr(0, tab);
        e.path = line.substr(tab + 1);
        if (e.name.empty()) fail(manifest, where + "empty archive name");
        if (e.path.empty()) fail(manifest, where + "empty file path");
        if (e.path[0] != '/') e.path = base + e.path;
        if (!names.insert(e.name).second)
            fail(manifest, where + "duplicate name \"" + e.name + "\"");
        struct stat st;
        if (stat(e.path.c_str(), &st) != 0) {
            if (!allowMissing || errno != ENOENT)
                fail(e.path, std::string("cannot read file for \"") + e.name +
                                 "\": " + std::strerror(errno));
            std::cerr << "qdar: " << e.path << ": missing, \"" << e.name << "\" left out\n";
            continue;
        }
        if (!S_ISREG(st.st_mode)) fail(e.path, "not a regular file");
        e.size = st.st_size;
        if (e.size > kMaxSize) fail(e.path, "file over 2^31-1 bytes");
        entries.push_back(e);
    }
    if (in.bad()) fail(manifest, "read error");
    open.pop_back();
}

std::vector<Entry> readManifest(const std::string& manifest, bool allowMissing) {
    std::vector<Entry> entries;
    std::set<std::string> names;
    std::vector<std::string> open;
    readManifest(manifest, allowMissing, entries, names, open);
    return entries;
}

int pack(const std::string& out, const std::string& manifest, bool allowMissing) {
    std::vector<Entry> entries = readManifest(manifest, allowMissing);
    if (entries.size() > kMaxEntries)
        fail(manifest,
             std::to_string(entries.size()) + " entries, the directory holds at most 65535");
    size_t nameTable = 0;
    int64_t total = 8;
    for (const Entry& e : entries) {
        nameTable += e.name.size() + 1;
        total += 8 + e.size;
    }
    if (nameTable > kMaxNameTable)
        fail(manifest, "name table of " + std::to_string(nameTable) + " bytes, at most 65535 fit");
    const int64_t dirOffset = total;
    total += 5 + 6 * int64_t(entries.size()) + int64_t(nameTable) + 7;
    if (total > kMaxSize)
        fail(out, "archive of " + std::to_string(total) + " bytes, over 2^31-1 bytes");

    const std::string temp = out + ".part";
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    if (!file) fail(out, std::string("cannot create: ") + std::strerror(errno));
    std::string head = "QDAR";
    putI32(head, total);
    file.write(head.data(), std::streamsize(head.size()));
    std::string dir = "DIR", names;
    putU16(dir, entries.size());
    int64_t offset = 8;
    std::vector<char> bytes;
    try {
        for (const Entry& e : entries) {
            std::ifstream in(e.path, std::ios::binary);
            if (!in) fail(e.path, std::string("cannot open: ") + std::strerror(errno));
            bytes.assign(size_t(e.size), 0);
            in.read(bytes.data(), std::streamsize(e.size));
            if (in.gcount() != e.size || in.peek() != std::char_traits<char>::eof())
                fail(e.path, "size changed while packing");
            std::string rec = "DAT";
            putI32(rec, e.size);
            file.write(rec.data(), std::streamsize(rec.size()));
            file.write(bytes.data(), std::streamsize(e.size));
            file.put(e.size ? bytes.back() : 0);
            putI32(dir, offset);
            putU16(dir, names.size());
            names.append(e.name).push_back('\0');
            offset += 8 + e.size;
        }
        dir += names;
        dir += "END";
        putI32(dir, dirOffset);
        file.write(dir.data(), std::streamsize(dir.size()));
        file.close();
        if (!file) fail(temp, "write error");
    } catch (const Failure&) {
        std::remove(temp.c_str());
        throw;
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
        std::remove(temp.c_str());
        fail(out, std::string("cannot replace: ") + std::strerror(errno));
    }
    return 0;
}

// An archive read back whole and checked entry by entry.
struct Archive {
    std::string file;
    std::string bytes;
    struct Item {
        uint32_t index;
        int32_t offset;
        int32_t length;
        std::string name;
    };
    std::vector<Item> items;
};

int32_t getI32(const std::string& b, size_t at) {
    return ql_readI32LE(reinterpret_cast<const unsigned char*>(b.data()) + at);
}

Archive readArchive(const std::string& path) {
    Archive a;
    a.file = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, std::string("cannot open: ") + std::strerror(errno));
    a.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const std::string& b = a.bytes;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(b.data());
    const int64_t size = int64_t(b.size());
    ql_dar_dir_t dir;
    switch (ql_dar_findDirectory(bytes, size, &dir)) {
        case QL_DAR_BAD_MAGIC: fail(path, "not a QDAR archive (bad magic)");
        case QL_DAR_BAD_LENGTH:
            fail(path, "length field " + std::to_string(dir.length) + " does not fit the file's " +
                           std::to_string(size) + " bytes");
        case QL_DAR_BAD_DIRECTORY:
            fail(path, "no directory at offset " + std::to_string(dir.offset));
        case QL_DAR_DIRECTORY_CUT: fail(path, "directory runs past the archive's end");
        case QL_DAR_DIRECTORY_FOUND: break;
    }
    const int64_t length = dir.length;
    for (uint32_t i = 0; i < dir.count; ++i) {
        const ql_dar_entry_t entry = ql_dar_entry(bytes, dir, i);
        Archive::Item item{i, entry.record, 0, {}};
        const size_t zero =
            entry.name < length ? b.find('\0', size_t(entry.name)) : std::string::npos;
        if (zero == std::string::npos || int64_t(zero) >= length)
            fail(path, "entry " + std::to_string(i) + ": name outside the archive");
        item.name = b.substr(size_t(entry.name), zero - size_t(entry.name));
        if (item.offset < QL_DAR_HEADER || int64_t(item.offset) + 7 > length)
            fail(path, "entry " + std::to_string(i) + ": record offset outside the archive");
        item.length = getI32(b, size_t(item.offset) + 3);
        if (item.length < 0 || int64_t(item.offset) + 7 + item.length > length)
            fail(path, "entry " + std::to_string(i) + ": record runs past the archive's end");
        a.items.push_back(item);
    }
    return a;
}

int list(const std::string& path) {
    Archive a = readArchive(path);
    for (const Archive::Item& it : a.items)
        std::printf("%u %d %d %s\n", it.index, it.offset, it.length, it.name.c_str());
    return 0;
}

int extract(const std::string& path, const std::string& name) {
    Archive a = readArchive(path);
    for (const Archive::Item& it : a.items) {
        if (it.name != name) continue;
        std::fwrite(a.bytes.data() + it.offset + 7, 1, size_t(it.length), stdout);
        if (std::fflush(stdout) != 0) fail("standard output", "write error");
        return 0;
    }
    fail(path, "no entry named \"" + name + "\"");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        usage(std::cout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "qdar " << QUON_VERSION << "\n";
        return 0;
    }
    try {
        if (args.size() == 3 && args[0] == "pack") return pack(args[1], args[2], false);
        if (args.size() == 4 && args[0] == "pack" && args[1] == "--allow-missing")
            return pack(args[2], args[3], true);
        if (args.size() == 2 && args[0] == "list") return list(args[1]);
        if (args.size() == 3 && args[0] == "extract") return extract(args[1], args[2]);
    } catch (const Failure& f) {
        std::cerr << "qdar: " << f.text << "\n";
        return 1;
    }
    usage(std::cerr);
    return 2;
}
