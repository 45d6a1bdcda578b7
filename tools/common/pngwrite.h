// A small deterministic PNG writer for the asset generators.
#ifndef TOOLS_PNGWRITE_H
#define TOOLS_PNGWRITE_H

#include <cstdint>
#include <string>
#include <vector>

struct PngWriteOptions {
    // Filter per row: -1 picks, for each row, the allowed filter whose output
    // has the smallest sum of absolute values; 0..4 forces one filter.
    int filter = -1;
    std::vector<int> allowedFilters{0, 1, 2, 4};
    int level = 9;           // zlib level
    int strategy = 0;        // zlib strategy (Z_DEFAULT_STRATEGY)
    size_t splitIdatAt = 0;  // >0: split the compressed stream into two IDAT chunks here
    size_t targetSize = 0;   // >0: pad with a tEXt "Comment" chunk to exactly this many bytes
    std::string comment;     // text that starts the padding comment
    // Forced filter for particular rows (row index, filter), applied after the choice above.
    std::vector<std::pair<int, int>> rowFilters;
};

// Encodes 8-bit samples (width * channels bytes per row, rows top first).
// colorType: 0 grey, 2 RGB, 3 palette (palette gives RGB triples), 4 grey+alpha, 6 RGBA.
// Returns the file bytes; on a target size that cannot be reached (the image
// alone is larger than target - 20) returns an empty vector and sets *error.
std::vector<uint8_t> pngEncode(int width, int height, int colorType, const uint8_t* samples,
                               const PngWriteOptions& opt, std::string* error = nullptr,
                               const std::vector<uint8_t>* palette = nullptr);

// Size of the file without padding, for tuning art against a byte budget.
size_t pngEncodedSizeUnpadded(int width, int height, int colorType, const uint8_t* samples,
                              const PngWriteOptions& opt);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

#endif
