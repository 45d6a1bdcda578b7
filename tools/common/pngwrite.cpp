#include "pngwrite.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int channelsOf(int colorType) {
    switch (colorType) {
        case 0: return 1;
        case 2: return 3;
        case 3: return 1;
        case 4: return 2;
        case 6: return 4;
    }
    return 0;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t len) {
    put32(out, uint32_t(len));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (len) out.insert(out.end(), data, data + len);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + start, uInt(out.size() - start));
    put32(out, uint32_t(crc));
}

uint8_t paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    if (pb <= pc) return uint8_t(b);
    return uint8_t(c);
}

void filterRow(int f, const uint8_t* cur, const uint8_t* prev, size_t len, int bpp, uint8_t* out) {
    for (size_t i = 0; i < len; ++i) {
        int a = i >= size_t(bpp) ? cur[i - bpp] : 0;
        int b = prev ? prev[i] : 0;
        int c = (prev && i >= size_t(bpp)) ? prev[i - bpp] : 0;
        int x = cur[i], v = x;
        switch (f) {
            case 1: v = x - a; break;
            case 2: v = x - b; break;
            case 3: v = x - ((a + b) >> 1); break;
            case 4: v = x - paeth(a, b, c); break;
        }
        out[i] = uint8_t(v);
    }
}

std::vector<uint8_t> encodeBody(int width, int height, int colorType, const uint8_t* samples,
                                const PngWriteOptions& opt, const std::vector<uint8_t>* palette) {
    const int bpp = channelsOf(colorType);
    const size_t rowLen = size_t(width) * bpp;
    std::vector<uint8_t> raw;
    raw.reserve((rowLen + 1) * height);
    std::vector<uint8_t> tmp(rowLen), best(rowLen);
    for (int y = 0; y < height; ++y) {
        const uint8_t* cur = samples + rowLen * y;
        const uint8_t* prev = y ? samples + rowLen * (y - 1) : nullptr;
        int chosen = opt.filter;
        for (auto& rf : opt.rowFilters)
            if (rf.first == y) chosen = rf.second;
        if (chosen < 0) {
            long bestScore = -1;
            for (int f : opt.allowedFilters) {
                filterRow(f, cur, prev, rowLen, bpp, tmp.data());
                long score = 0;
                for (uint8_t v : tmp) score += v < 128 ? v : 256 - v;
                if (bestScore < 0 || score < bestScore) {
                    bestScore = score;
                    chosen = f;
                    best = tmp;
                }
            }
        } else {
            filterRow(chosen, cur, prev, rowLen, bpp, best.data());
        }
        raw.push_back(uint8_t(chosen));
        raw.insert(raw.end(), best.begin(), best.end());
    }
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    deflateInit2(&zs, opt.level, Z_DEFLATED, 15, 9, opt.strategy);
    std::vector<uint8_t> z(deflateBound(&zs, uLong(raw.size())));
    zs.next_in = raw.data();
    zs.avail_in = uInt(raw.size());
    zs.next_out = z.data();
    zs.avail_out = uInt(z.size());
    deflate(&zs, Z_FINISH);
    z.resize(zs.total_out);
    deflateEnd(&zs);

    std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
    uint8_t ihdr[13];
    ihdr[0] = uint8_t(width >> 24);
    ihdr[1] = uint8_t(width >> 16);
    ihdr[2] = uint8_t(width >> 8);
    ihdr[3] = uint8_t(width);
    ihdr[4] = uint8_t(height >> 24);
    ihdr[5] = uint8_t(height >> 16);
    ihdr[6] = uint8_t(height >> 8);
    ihdr[7] = uint8_t(height);
    ihdr[8] = 8;
    ihdr[9] = uint8_t(colorType);
    ihdr[10] = 0;
    ihdr[11] = 0;
    ihdr[12] = 0;
    chunk(out, "IHDR", ihdr, 13);
    if (colorType == 3 && palette) chunk(out, "PLTE", palette->data(), palette->size());
    if (opt.splitIdatAt > 0 && opt.splitIdatAt < z.size()) {
        chunk(out, "IDAT", z.data(), opt.splitIdatAt);
        chunk(out, "IDAT", z.data() + opt.splitIdatAt, z.size() - opt.splitIdatAt);
    } else {
        chunk(out, "IDAT", z.data(), z.size());
    }
    return out;
}

}  // namespace

size_t pngEncodedSizeUnpadded(int width, int height, int colorType, const uint8_t* samples,
                              const PngWriteOptions& opt) {
    return encodeBody(width, height, colorType, samples, opt, nullptr).size() + 12;
}

std::vector<uint8_t> pngEncode(int width, int height, int colorType, const uint8_t* samples,
                               const PngWriteOptions& opt, std::string* error,
                               const std::vector<uint8_t>* palette) {
    std::vector<uint8_t> out = encodeBody(width, height, colorType, samples, opt, palette);
    if (opt.targetSize) {
        const size_t withEnd = out.size() + 12;
        // A tEXt chunk costs 12 bytes of framing plus "Comment\0" plus its text.
        const size_t overhead = 12 + 8;
        if (withEnd + overhead > opt.targetSize) {
            if (error)
                *error = "encoded size " + std::to_string(withEnd) +
                         " leaves no room for padding to " + std::to_string(opt.targetSize);
            return {};
        }
        size_t textLen = opt.targetSize - withEnd - overhead;
        std::string text = opt.comment;
        if (text.size() > textLen) text.resize(textLen);
        while (text.size() < textLen) text.push_back(text.size() == opt.comment.size() ? ' ' : '.');
        std::vector<uint8_t> data;
        const char key[] = "Comment";
        data.insert(data.end(), key, key + 8);
        data.insert(data.end(), text.begin(), text.end());
        chunk(out, "tEXt", data.data(), data.size());
    }
    chunk(out, "IEND", nullptr, 0);
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
