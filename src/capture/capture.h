// demo-capture: the demo rendered headless, frame by frame, into a video file
// with its music. The pieces: the command line and the temporary file
// (capture_main.cpp), the output formats (formats.cpp), the frame clock
// (frameclock.cpp), the headless window layer that renders, reads back and
// mixes the sound (egl.cpp), the colour conversion (yuv.cpp) and the encoder
// with its own thread (encoder.cpp).
#ifndef DEMO_CAPTURE_H
#define DEMO_CAPTURE_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The sound's rate; every frame carries the samples of its 1/fps seconds.
constexpr int kCaptureRate = 44100;

// How a frame's pixels are handed to the video codec (see CaptureFrame).
enum class FrameLayout {
    yuv420,  // YUV 4:2:0, BT.601 in limited range (yuv.cpp)
    bgra,    // the frame buffer's RGB as read back
};

// One output format: what the output's extension chooses. The rows are in
// formats.cpp; a new format is a row there and its expectations in
// tests/capture/capture_test.cpp.
struct CaptureFormat {
    const char* extension;     // of the output's name, in lower case, with its dot
    const char* summary;       // what --help says of it
    const char* muxer;         // FFmpeg's name of the container
    const char* muxerOptions;  // "key=value:..." for the muxer, or ""
    FrameLayout layout;        // the pixels the video codec takes
    const char* videoCodec;    // FFmpeg's names of the encoders
    const char* audioCodec;
    const char* videoOptions;  // "key=value:..." for the video encoder, or ""
    bool lossless;             // no quality setting: no crf, no sound bit rate
    int crfWorst, crfBest;     // the video encoder's crf at quality 0 and at 100
    int keyframeSeconds;       // the longest time between key frames; 0: every frame is one
    int audioRate;             // the sound's rate in the file (resampled from kCaptureRate)
    // The sound's timestamps start at the encoder's delay (Opus's pre-skip),
    // for muxers that store that delay as the track's and take it off every
    // timestamp (the Matroska family), so that the first sound after the
    // delay plays with frame 0.
    bool audioFromDelay;
};

// The formats, in the order --help lists them; the first is the default's.
extern const CaptureFormat kCaptureFormats[];
extern const int kCaptureFormatCount;
// The format of an extension (".mp4", in lower case), or null.
const CaptureFormat* captureFormatFor(const std::string& extension);

// Where the capture draws. The window layer tries EGL's device platform
// first (a GPU of a headless server; Mesa lists its software renderer there),
// then Mesa's surfaceless platform, then EGL's default display; a platform
// given keeps it to that one.
enum class EglPlatform { any, device, surfaceless, display };

struct CaptureSettings {
    const CaptureFormat* format = &kCaptureFormats[0];
    int width = 1024, height = 768;
    int fps = 60;
    int quality = 80;    // 0 (smallest) to 100 (best); .mkv is lossless
    int64_t frames = 0;  // frames to render
    EglPlatform platform = EglPlatform::any;
    int device = -1;     // the device platform's device to draw on; -1: the first that works
    std::string output;  // the file asked for
    std::string temp;    // where it is written until it is complete
};

// Stereo samples (per channel) that come before frame k: k * rate / fps,
// rounded down, so each frame takes its share with the fraction carried.
inline int64_t samplesBeforeFrame(int64_t k, int fps) { return k * kCaptureRate / fps; }

// The frame clock (frameclock.cpp): util_getCurrentTime reads frame / fps
// seconds; the window layer starts it and moves it on by one frame after each
// frame.
void frameClockStart(int fps);
void frameClockAdvance();

// One rendered frame on its way to the encoder: its pixels, top row first,
// in the format's layout, and the interleaved stereo samples of its time.
// FrameLayout::bgra: BGRA, width * 4 bytes a row; FrameLayout::yuv420: the
// planes of YUV 4:2:0, one after the other: Y (width x height), then U and V
// ((width / 2) x (height / 2) each).
struct CaptureFrame {
    std::vector<uint8_t> pixels;
    std::vector<int16_t> audio;
};

// The colour conversion (yuv.cpp): BGRA pixels of width x height (both
// even), rows from `first` on, `step` bytes apart (negative for OpenGL's
// bottom-up rows), to the Y, U and V planes of 4:2:0 in BT.601's limited
// range; each chroma sample is the mean of its 2x2 pixels.
void bgraToYuv420(const uint8_t* first, ptrdiff_t step, int width, int height,
                  uint8_t* const planes[3], const int strides[3]);
// A frame as read back from OpenGL (BGRA, bottom row first) into `pixels`,
// in the layout of the capture's format (yuv.cpp).
void packFrame(const CaptureSettings& cs, const uint8_t* readBack, std::vector<uint8_t>& pixels);

// Where the time goes, in seconds summed over the run; demo-capture prints it
// when DEMO_CAPTURE_TIMES is set (the benchmark does). Each thread sums its own.
struct RenderTimes {
    // Drawing (the frame function and the read-back request), mixing the
    // music, taking frames out of their buffer objects (with the colour
    // conversion), waiting for room in the encoder's queue.
    double draw = 0, mix = 0, copy = 0, wait = 0;
    // CPU time: the render thread's over the frame loop, and that of the
    // threads the GL driver started with the context (its rasterisers).
    double cpu = 0, driverCpu = 0;
};
struct EncodeTimes {
    // Copying the frame into the codec's picture, video and sound encoding
    // with the writing of their packets, waiting for frames.
    double copy = 0, video = 0, sound = 0, idle = 0;
    // The encoder thread's CPU time. (The codecs' own threads end with the
    // codecs; their time is the process's less that of the other threads.)
    double cpu = 0;
};

// CPU time in seconds (cputime.cpp): the calling thread's, the process's;
// the ids of the process's threads now (sorted), those in `after` but not in
// `before`, and the CPU time that the threads of `ids` still running have used.
double threadCpuNow();
double processCpuNow();
std::vector<int> processThreads();
std::vector<int> threadsStarted(const std::vector<int>& before, const std::vector<int>& after);
double threadsCpu(const std::vector<int>& ids);

// Encodes and writes on a thread of its own (encoder.cpp).
class Encoder {
public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    // Opens the file and its streams and starts the thread; "" or an error.
    std::string open(const CaptureSettings& settings);
    // Hands a frame over; blocks while the encoder is several frames behind.
    // Returns false once the encoder has failed (see finish for why).
    bool push(CaptureFrame&& frame);
    // A buffer for the next frame, taken from those the encoder is done with.
    CaptureFrame recycled();
    // Drains the queue, flushes the codecs and closes the file; "" or an error.
    std::string finish();
    // The encoder thread's figures; complete once finish has returned.
    EncodeTimes times() const;

private:
    struct Impl;
    Impl* impl_;
};

// One capture as its window layer renders it. The capture's entry point sets
// it up (settings, an open encoder, a progress call) and hands it to the
// window layer before it starts the demo; the window layer reports back in it.
struct CaptureRun {
    CaptureSettings settings;
    Encoder* encoder = nullptr;
    std::function<void(int64_t framesDone)> progress;  // after every frame
    // Written by the window layer (the render thread):
    std::string renderer;   // the GL renderer and where EGL found it
    int64_t delivered = 0;  // frames handed to the encoder
    RenderTimes times;
};

// The capture's window layer (egl.cpp) renders `run`: its initWindow opens
// the context at the capture's size and starts the frame clock, its
// loopWindow renders run->settings.frames frames. `run` must outlive the demo.
void captureWindowRender(CaptureRun* run);

// Seconds from an arbitrary start, for the figures above.
inline double captureNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

#endif
