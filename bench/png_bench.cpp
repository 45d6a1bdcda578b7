// Decoding PNG files to 8-bit RGBA pixels: the quon chain (image load from an
// archive source, then conversion to RGBA8888) against libpng's simplified
// API and libspng, on the demo's images and on a generated 1024 x 1024 RGBA
// image whose rows are all Paeth-filtered. Prints each time and its ratio to
// libspng's.
//
//   png_bench [--data DIR] [benchmark options]
#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lib_support.h"

namespace {

struct File {
    std::string name, bytes;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A 1024 x 1024 RGBA picture: smooth colour fields with a little noise and a
// varying alpha, every row Paeth-filtered, zlib level 6.
std::string paethImage() {
    const int w = 1024, h = 1024;
    std::vector<unsigned char> px(size_t(w) * h * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = int(seed >> 28) - 8;
            unsigned char* p = &px[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(std::clamp((x * 255) / w + noise, 0, 255));
            p[1] = uint8_t(std::clamp((y * 255) / h - noise, 0, 255));
            p[2] = uint8_t(std::clamp(((x ^ y) & 255) / 2 + 64 + noise, 0, 255));
            p[3] = uint8_t(std::clamp(255 - ((x + y) >> 3) + noise, 0, 255));
        }
    }
    std::string out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        return {};
    }
    png_set_write_fn(
        p, &out,
        [](png_structp pp, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(pp))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    png_set_IHDR(p, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(p, 0, PNG_FILTER_PAETH);
    png_set_compression_level(p, 6);
    png_write_info(p, info);
    for (int y = 0; y < h; ++y) png_write_row(p, &px[size_t(y) * w * 4]);
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

void quonChain(benchmark::State& state, const File& f) {
    std::string archive = libtest::buildArchive({{"f.png", f.bytes}}).bytes;
    quon_lib_t* ql = quon_new();
    quon_dar_add(ql, reinterpret_cast<quon_data_t*>(archive.data()));
    for (auto _ : state) {
        quon_image_t* image = quon_imageFromPNG(ql, "f.png");
        if (!image || quon_image_toRGBA8888(ql, image) != 0) {
            state.SkipWithError("quon could not decode the file");
            break;
        }
        benchmark::DoNotOptimize(image->data[0]);
        quon_image_delete(ql, &image);
    }
    quon_delete(ql);
}

void libpngSimplified(benchmark::State& state, const File& f) {
    for (auto _ : state) {
        png_image img;
        memset(&img, 0, sizeof img);
        img.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&img, f.bytes.data(), f.bytes.size())) {
            state.SkipWithError("libpng could not read the file");
            break;
        }
        img.format = PNG_FORMAT_RGBA;
        unsigned char* out = static_cast<unsigned char*>(malloc(PNG_IMAGE_SIZE(img)));
        if (!png_image_finish_read(&img, nullptr, out, 0, nullptr)) {
            free(out);
            state.SkipWithError("libpng could not decode the file");
            break;
        }
        benchmark::DoNotOptimize(out[0]);
        free(out);
    }
}

void libspng(benchmark::State& state, const File& f) {
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        size_t size = 0;
        spng_set_png_buffer(ctx, f.bytes.data(), f.bytes.size());
        if (spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) != 0) {
            spng_ctx_free(ctx);
            state.SkipWithError("libspng could not read the file");
            break;
        }
        unsigned char* out = static_cast<unsigned char*>(malloc(size));
        int rc = spng_decode_image(ctx, out, size, SPNG_FMT_RGBA8, 0);
        benchmark::DoNotOptimize(out[0]);
        free(out);
        spng_ctx_free(ctx);
        if (rc != 0) {
            state.SkipWithError("libspng could not decode the file");
            break;
        }
    }
}

// Forwards to the console and keeps, per benchmark, the lowest time per
// iteration over its repetitions (the median when only aggregates are
// reported), wall-clock and CPU.
class Collector : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 1e30, cpu = 1e30;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            Times& t = times[r.run_name.function_name];
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                t.real = std::min(t.real, r.real_accumulated_time / double(r.iterations));
                t.cpu = std::min(t.cpu, r.cpu_accumulated_time / double(r.iterations));
            } else if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                // Only the aggregates are reported: take the median.
                t.real = std::min(t.real, r.GetAdjustedRealTime() /
                                              benchmark::GetTimeUnitMultiplier(r.time_unit));
                t.cpu = std::min(
                    t.cpu, r.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(r.time_unit));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> times;
};

}  // namespace

int main(int argc, char** argv) {
    std::string dataDir = QUON_DATA_DIR;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--data" && i + 1 < argc) {
            dataDir = argv[++i];
            continue;
        }
        args.push_back(argv[i]);
    }
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());

    std::vector<File> files;
    files.push_back({"paeth-1024x1024-rgba", paethImage()});
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dataDir, ec))
        if (e.path().extension() == ".png") paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());
    for (const std::string& p : paths)
        files.push_back({std::filesystem::path(p).filename().string(), readAll(p)});
    if (paths.empty())
        fprintf(stderr, "png_bench: no PNG files in %s; only the generated image\n",
                dataDir.c_str());

    for (const File& f : files) {
        benchmark::RegisterBenchmark(("quon/" + f.name).c_str(), quonChain, f)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("libpng/" + f.name).c_str(), libpngSimplified, f)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("libspng/" + f.name).c_str(), libspng, f)
            ->Unit(benchmark::kMicrosecond);
    }
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // CPU time is the steadier figure on a shared machine; both are shown.
    printf(
        "\nBest time per decode to RGBA8, microseconds (CPU / wall-clock), and ratio to "
        "libspng:\n");
    printf("%-24s %19s %19s %19s %15s %15s\n", "file", "quon", "libpng", "libspng", "quon/spng",
           "libpng/spng");
    for (const File& f : files) {
        auto get = [&](const char* lib) {
            auto it = reporter.times.find(std::string(lib) + "/" + f.name);
            return it == reporter.times.end() ? Collector::Times{-1, -1} : it->second;
        };
        Collector::Times q = get("quon"), l = get("libpng"), s = get("libspng");
        if (q.cpu < 0 || l.cpu < 0 || s.cpu < 0) continue;
        printf("%-24s %9.1f /%8.1f %9.1f /%8.1f %9.1f /%8.1f %7.3f /%6.3f %7.3f /%6.3f\n",
               f.name.c_str(), q.cpu * 1e6, q.real * 1e6, l.cpu * 1e6, l.real * 1e6, s.cpu * 1e6,
               s.real * 1e6, q.cpu / s.cpu, q.real / s.real, l.cpu / s.cpu, l.real / s.real);
    }
    return 0;
}
