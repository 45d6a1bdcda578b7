// demo-capture's entry point: reads the command line, checks every input
// before any work, opens the encoder on a temporary file beside the output,
// hands the capture to its window layer, runs the demo's own start-up
// (demoMain), and renames the file into place only when it is complete. An
// interrupted or failed capture removes the temporary file.
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "capture.h"
#include "fsound.h"
#include "demo.h"

namespace {

// The usage text after the formats and the options that name them.
const char* const kUsageEnd =
    "  --device N   draw on device N (from 0) of EGL's device platform, such as a GPU;\n"
    "               also QUON_EGL_DEVICE=N. Without it: the first device that gives an\n"
    "               OpenGL context, else Mesa's surfaceless platform, else EGL's default\n"
    "               display (QUON_EGL_PLATFORM=device, surfaceless or default keeps to one).\n"
    "The line at the end names the renderer that drew.\n";

// The usage text, with a line for each output format.
std::string usage() {
    std::string text =
        "usage: demo-capture [--seconds S] [--fps N] [--size WxH] [--quality Q] [--device N] "
        "OUTPUT\n"
        "Renders the demo with its music, without a display or a sound card, into OUTPUT:\n";
    std::string lossless;
    for (int i = 0; i < kCaptureFormatCount; ++i) {
        const CaptureFormat& f = kCaptureFormats[i];
        char line[160];
        snprintf(line, sizeof line, "  %-6s %s\n", f.extension, f.summary);
        text += line;
        if (f.lossless) lossless += std::string("; ") + f.extension + " is always lossless";
    }
    return text +
           "  --seconds S  length in seconds (default 72.452: the track, then its looped part "
           "again)\n"
           "  --fps N      frames per second, 1 to 240 (default 60)\n"
           "  --size WxH   picture size, even numbers from 16 to 8192 (default 1024x768)\n"
           "  --quality Q  0 (smallest file) to 100 (best), default 80" +
           lossless + "\n" + kUsageEnd;
}

// The extensions of the output formats: ".mp4, .webm or .mkv".
std::string extensions() {
    std::string list;
    for (int i = 0; i < kCaptureFormatCount; ++i)
        list += std::string(i == 0                        ? ""
                            : i + 1 < kCaptureFormatCount ? ", "
                                                          : " or ") +
                kCaptureFormats[i].extension;
    return list;
}

// The temporary file's name, kept where a signal handler can read it.
char tempPath[4096];
bool complete = false;

void removeTemp() {
    if (!complete && tempPath[0]) unlink(tempPath);
}

void onSignal(int sig) {
    if (tempPath[0]) unlink(tempPath);
    signal(sig, SIG_DFL);
    raise(sig);
}

[[noreturn]] void die(const std::string& message) {
    fprintf(stderr, "demo-capture: %s\n", message.c_str());
    exit(1);
}

bool parseInt(const char* s, long lo, long hi, int& out) {
    char* end;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (errno || end == s || *end || v < lo || v > hi) return false;
    out = (int)v;
    return true;
}

bool parseSize(const char* s, int& w, int& h) {
    const char* x = strchr(s, 'x');
    if (!x) return false;
    std::string ws(s, x);
    return parseInt(ws.c_str(), 16, 8192, w) && parseInt(x + 1, 16, 8192, h) && w % 2 == 0 &&
           h % 2 == 0;
}

CaptureSettings parse(int argc, char** argv) {
    CaptureSettings settings;
    double seconds = 72.452;
    const char* device = getenv("QUON_EGL_DEVICE");
    std::string deviceFrom = "QUON_EGL_DEVICE";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            fputs(usage().c_str(), stdout);
            exit(0);
        }
        bool option = a == "--seconds" || a == "--fps" || a == "--size" || a == "--quality" ||
                      a == "--device";
        if (option && i + 1 >= argc) die(a + " needs a value (see --help)");
        if (a == "--seconds") {
            char* end;
            const char* v = argv[++i];
            seconds = strtod(v, &end);
            if (end == v || *end || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
                die(std::string("--seconds: \"") + v +
                    "\" is not a length from 0 to 86400 seconds");
        } else if (a == "--fps") {
            if (!parseInt(argv[++i], 1, 240, settings.fps))
                die(std::string("--fps: \"") + argv[i] + "\" is not a rate from 1 to 240");
        } else if (a == "--size") {
            if (!parseSize(argv[++i], settings.width, settings.height))
                die(std::string("--size: \"") + argv[i] +
                    "\" is not WxH with even numbers from 16 to 8192");
        } else if (a == "--quality") {
            if (!parseInt(argv[++i], 0, 100, settings.quality))
                die(std::string("--quality: \"") + argv[i] + "\" is not a number from 0 to 100");
        } else if (a == "--device") {
            device = argv[++i];
            deviceFrom = "--device";
        } else if (a.size() > 1 && a[0] == '-') {
            die("unknown option " + a + " (see --help)");
        } else if (!settings.output.empty()) {
            die("one output file only (see --help)");
        } else {
            settings.output = a;
        }
    }
    if (device && !parseInt(device, 0, 1023, settings.device))
        die(deviceFrom + ": \"" + device + "\" is not a device number from 0 to 1023");
    if (const char* p = getenv("QUON_EGL_PLATFORM")) {
        std::string platform = p;
        if (platform == "device")
            settings.platform = EglPlatform::device;
        else if (platform == "surfaceless")
            settings.platform = EglPlatform::surfaceless;
        else if (platform == "default")
            settings.platform = EglPlatform::display;
        else if (!platform.empty())
            die("QUON_EGL_PLATFORM: \"" + platform + "\" is not device, surfaceless or default");
        if (settings.device >= 0 && settings.platform != EglPlatform::device &&
            settings.platform != EglPlatform::any)
            die(deviceFrom + " names a device, but QUON_EGL_PLATFORM is " + platform);
    }
    if (settings.output.empty()) die("no output file given (see --help)");
    settings.frames = std::llround(seconds * settings.fps);
    if (settings.frames < 1)
        die("--seconds: shorter than one frame at " + std::to_string(settings.fps) + " fps");

    const std::string& out = settings.output;
    size_t slash = out.rfind('/');
    std::string base = slash == std::string::npos ? out : out.substr(slash + 1);
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : out.substr(0, slash);
    size_t dot = base.rfind('.');
    std::string ext = dot == std::string::npos || dot == 0 ? "" : base.substr(dot);
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    settings.format = captureFormatFor(ext);
    if (!settings.format)
        die("unknown output type \"" + (ext.empty() ? base : ext) + "\" (use " + extensions() +
            ")");

    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        die("the output folder " + dir + " does not exist");
    if (stat(out.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) die(out + " is a folder");
    // The temporary file itself is the test of the folder: made now, before
    // any work, beside the output so that the rename stays in one file system.
    std::string temp = dir + "/." + base + "." + std::to_string(getpid()) + ".part";
    if (temp.size() >= sizeof tempPath) die("the output name is too long");
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) die("cannot write in the output folder " + dir + ": " + strerror(errno));
    ::close(fd);
    settings.temp = temp;
    strcpy(tempPath, temp.c_str());
    return settings;
}

std::string clockText(double s) {
    long t = std::lround(s);
    char buf[32];
    snprintf(buf, sizeof buf, "%ld:%02ld", t / 60, t % 60);
    return buf;
}

// Progress: on a terminal one line that is rewritten, at most four times a
// second; otherwise one summary line at the end (printed by main).
class Progress {
public:
    explicit Progress(const CaptureSettings& cs) : cs_(cs) {}

    double elapsed() const {
        return std::chrono::duration<double>(Clock::now() - started_).count();
    }
    double speed(int64_t framesDone) const {
        double s = elapsed();
        return s > 0 ? framesDone / (double)cs_.fps / s : 0;
    }

    void frameDone(int64_t framesDone) {
        if (!onTerminal_) return;
        auto now = Clock::now();
        if (framesDone < cs_.frames && now - lastShown_ < std::chrono::milliseconds(250)) return;
        lastShown_ = now;
        double s = elapsed();
        double left = framesDone > 0 ? s * (cs_.frames - framesDone) / framesDone : 0;
        printf("\rframe %lld/%lld  %5.1f%%  elapsed %s  left %s  %.2fx real time   ",
               (long long)framesDone, (long long)cs_.frames, 100.0 * framesDone / cs_.frames,
               clockText(s).c_str(), clockText(left).c_str(), speed(framesDone));
        fflush(stdout);
    }
    void end() const {
        if (onTerminal_) printf("\n");
    }

private:
    using Clock = std::chrono::steady_clock;
    const CaptureSettings& cs_;
    const bool onTerminal_ = isatty(STDOUT_FILENO);
    const Clock::time_point started_ = Clock::now();
    Clock::time_point lastShown_ = started_;
};

}  // namespace

int main(int argc, char** argv) {
    atexit(removeTemp);
    // A hang-up that was ignored when we started (nohup) stays ignored.
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        if (signal(sig, onSignal) == SIG_IGN && sig == SIGHUP) signal(sig, SIG_IGN);
    CaptureRun run;
    run.settings = parse(argc, argv);
    const CaptureSettings& settings = run.settings;

    Encoder encoder;
    std::string e = encoder.open(settings);
    if (!e.empty()) die(e);
    Progress progress(settings);
    run.encoder = &encoder;
    run.progress = [&progress](int64_t framesDone) { progress.frameDone(framesDone); };
    FSOUND_SetOutput("manual");  // the music is mixed frame by frame, no device

    // The demo's own start-up and frame loop, with this program's window layer.
    captureWindowRender(&run);
    char name[] = "demo-capture";
    char* demoArgv[] = {name, nullptr};
    demoMain(1, demoArgv);

    e = encoder.finish();
    progress.end();
    if (e.empty() && run.delivered != settings.frames)
        e = "rendering stopped after " + std::to_string(run.delivered) + " frames";
    if (e.empty() && rename(settings.temp.c_str(), settings.output.c_str()) != 0)
        e = "cannot rename " + settings.temp + " to " + settings.output + ": " + strerror(errno);
    if (!e.empty()) die(e);
    complete = true;

    printf(
        "demo-capture: %s: %lld frames, %.3f s at %d fps, %dx%d, in %.1f s (%.2fx real time); "
        "drawn by %s\n",
        settings.output.c_str(), (long long)settings.frames, (double)settings.frames / settings.fps,
        settings.fps, settings.width, settings.height, progress.elapsed(),
        progress.speed(settings.frames), run.renderer.c_str());
    if (getenv("DEMO_CAPTURE_TIMES")) {
        const RenderTimes& r = run.times;
        const EncodeTimes t = encoder.times();
        printf(
            "times (s): render thread: draw %.2f, mix %.2f, copy and convert %.2f, "
            "wait for encoder %.2f; encoder thread: copy %.2f, video %.2f, sound %.2f, "
            "wait for frames %.2f\n",
            r.draw, r.mix, r.copy, r.wait, t.copy, t.video, t.sound, t.idle);
        // The main thread renders; what it spends outside the frame loop is
        // start-up and clean-up. The codecs' threads have ended by now: their
        // time is what the process has used beyond the threads counted here.
        const double all = processCpuNow(), mainThread = threadCpuNow();
        printf(
            "cpu (s): render thread %.2f, GL driver's threads %.2f, encoder thread %.2f, "
            "codec threads %.2f, start-up and clean-up %.2f; whole process %.2f on %ld cores\n",
            r.cpu, r.driverCpu, t.cpu, all - mainThread - r.driverCpu - t.cpu, mainThread - r.cpu,
            all, sysconf(_SC_NPROCESSORS_ONLN));
    }
    return 0;
}
