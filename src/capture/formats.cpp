// demo-capture's output formats, one row per container, chosen by the
// output's extension. What each row's settings do is described with
// CaptureFormat (capture.h); the encoder (encoder.cpp) reads nothing else of
// a format. A new format is a row here and its expectations in
// tests/capture/capture_test.cpp.
#include "capture.h"

const CaptureFormat kCaptureFormats[] = {
    // H.264 + AAC, for sharing. Quality 0..100 to a constant rate factor of
    // 40..12. Sub-pixel motion refinement one step below veryfast's (1,
    // superfast's): a quarter less of x264's time, and on the demo's 10 s at
    // the default quality a file 0.2 % smaller, 0.3 dB lower in PSNR and
    // within 0.0002 in SSIM (docs/benchmarks.md). The index goes before the
    // data, so that the file plays while it downloads.
    {".mp4", "H.264 + AAC (for sharing)", "mp4", "movflags=+faststart", FrameLayout::yuv420,
     "libx264", "aac", "preset=veryfast:x264-params=subme=1", false, 40, 12, 2, kCaptureRate,
     false},
    // VP9 + Opus (resampled to 48 kHz, a rate Opus has). Quality 0..100 to a
    // constant quality of 50..15 (no bit rate), at real-time speed.
    {".webm", "VP9 + Opus", "webm", "", FrameLayout::yuv420, "libvpx-vp9", "libopus",
     "b=0:deadline=realtime:cpu-used=8:row-mt=1", false, 50, 15, 2, 48000, true},
    // FFV1 in RGB + FLAC: lossless, every frame a key frame, for archiving.
    {".mkv", "FFV1 + FLAC, lossless (for archiving)", "matroska", "", FrameLayout::bgra, "ffv1",
     "flac", "level=3:slices=4:slicecrc=1", true, 0, 0, 0, kCaptureRate, false},
};

const int kCaptureFormatCount = sizeof kCaptureFormats / sizeof kCaptureFormats[0];

const CaptureFormat* captureFormatFor(const std::string& extension) {
    for (const CaptureFormat& f : kCaptureFormats)
        if (extension == f.extension) return &f;
    return nullptr;
}
