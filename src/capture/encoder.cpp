// The capture's encoder: a thread that takes rendered frames and their
// samples from a short queue, encodes them and writes the file in the
// capture's format (formats.cpp: the muxer, the codecs and their settings).
// The frames come in the format's layout (capture.h: for YUV 4:2:0 the window
// layer has converted them already). Each file tags its colour (see openVideo).
// Video timestamps count frames in a time base of 1/fps, audio timestamps
// count samples in 1/rate, so neither drifts against the other.
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include <sys/resource.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "capture.h"

namespace {

constexpr size_t kQueue = 4;  // frames waiting for the encoder at most

// The encoder's thread and the codecs' threads run at a lower priority than
// the render thread and the GL driver's: drawing a frame is a chain that
// cannot be spread (the render thread prepares it, the driver's threads draw
// it, the render thread reads it back), while the encoder, whose frames
// queue up, can use whatever is left of the cores. At the same priority the
// codec's threads take their share of the cores while a frame is drawn, and
// then sit idle for want of frames. Under Linux's autogroups (the default
// for sessions) this orders only the capture's own threads, not the capture
// against other programs.
constexpr int kEncoderNice = 10;

std::string avError(const char* what, int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return std::string(what) + ": " + buf;
}

// A format's "key=value:..." options into a dictionary for FFmpeg.
AVDictionary* optionsOf(const char* text) {
    AVDictionary* opts = nullptr;
    if (*text) av_dict_parse_string(&opts, text, "=", ":", 0);
    return opts;
}

}  // namespace

struct Encoder::Impl {
    CaptureSettings cs;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* venc = nullptr;
    AVCodecContext* aenc = nullptr;
    AVStream* vst = nullptr;
    AVStream* ast = nullptr;
    SwrContext* swr = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* vframe = nullptr;
    AVFrame* aframe = nullptr;
    AVPacket* pkt = nullptr;
    int64_t vpts = 0, apts = 0;
    bool headerWritten = false;
    EncodeTimes times;  // the encoder thread's own; read after it has ended

    std::thread thread;
    std::mutex m;
    std::condition_variable cv;
    std::deque<CaptureFrame> queue, spare;
    bool closing = false;
    std::string error;  // the first failure; set once, under the lock

    ~Impl() {
        avcodec_free_context(&venc);
        avcodec_free_context(&aenc);
        swr_free(&swr);
        if (fifo) av_audio_fifo_free(fifo);
        av_frame_free(&vframe);
        av_frame_free(&aframe);
        av_packet_free(&pkt);
        if (fmt) {
            if (fmt->pb) avio_closep(&fmt->pb);
            avformat_free_context(fmt);
        }
    }

    std::string openVideo();
    std::string openAudio();
    std::string openAll();
    std::string drain(AVCodecContext* enc, AVStream* st);
    std::string encodeVideo(const CaptureFrame& f);
    std::string encodeAudio(const CaptureFrame* f);
    std::string sendAudio(int frames);
    std::string close();
    void work();
    void setError(const std::string& e) {
        std::lock_guard<std::mutex> lock(m);
        if (error.empty()) error = e;
        cv.notify_all();
    }
};

std::string Encoder::Impl::openVideo() {
    const CaptureFormat& f = *cs.format;
    const char* name = f.videoCodec;
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) return std::string("no ") + name + " encoder in this FFmpeg";
    venc = avcodec_alloc_context3(codec);
    venc->width = cs.width;
    venc->height = cs.height;
    venc->time_base = AVRational{1, cs.fps};
    venc->framerate = AVRational{cs.fps, 1};
    venc->thread_count = 0;  // the codec's choice: every core
    venc->gop_size = f.keyframeSeconds > 0 ? f.keyframeSeconds * cs.fps : 1;
    // The colour, described in full so that players need not guess. The
    // conversion (yuv.cpp) uses BT.601's matrix in limited range; the frame
    // buffer's RGB is tagged with the primaries and the transfer of the
    // standard that the matrix tag names, SMPTE 170M (525 lines, 60 fields a
    // second like the capture's default rate; its transfer is BT.709's curve):
    // one standard throughout, not the 625-line one's primaries (BT.470 B/G)
    // beside a 525-line matrix. The frames kept in RGB are that same RGB as
    // it is: the identity matrix in full range.
    venc->color_primaries = AVCOL_PRI_SMPTE170M;
    venc->color_trc = AVCOL_TRC_SMPTE170M;
    if (f.layout == FrameLayout::bgra) {
        // The frames as read back, BGRA in memory with the alpha left out.
        venc->pix_fmt = AV_PIX_FMT_0RGB32;
        venc->colorspace = AVCOL_SPC_RGB;
        venc->color_range = AVCOL_RANGE_JPEG;
    } else {
        venc->pix_fmt = AV_PIX_FMT_YUV420P;
        venc->colorspace = AVCOL_SPC_SMPTE170M;
        venc->color_range = AVCOL_RANGE_MPEG;
        // Each chroma sample is the mean of its 2x2 pixels: it sits at their
        // centre (H.264's and MPEG-2's default is beside the left ones).
        venc->chroma_sample_location = AVCHROMA_LOC_CENTER;
    }
    AVDictionary* opts = optionsOf(f.videoOptions);
    if (!f.lossless)
        av_dict_set_int(&opts, "crf",
                        f.crfWorst - ((f.crfWorst - f.crfBest) * cs.quality + 50) / 100, 0);
    if (fmt->oformat->flags & AVFMT_GLOBALHEADER) venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int err = avcodec_open2(venc, codec, &opts);
    av_dict_free(&opts);
    if (err < 0) return avError(name, err);
    vst = avformat_new_stream(fmt, nullptr);
    vst->time_base = venc->time_base;
    vst->avg_frame_rate = venc->framerate;
    vst->r_frame_rate = venc->framerate;
    avcodec_parameters_from_context(vst->codecpar, venc);

    vframe = av_frame_alloc();
    vframe->format = venc->pix_fmt;
    vframe->width = cs.width;
    vframe->height = cs.height;
    if ((err = av_frame_get_buffer(vframe, 0)) < 0) return avError("video frame", err);
    return "";
}

std::string Encoder::Impl::openAudio() {
    const CaptureFormat& f = *cs.format;
    const char* name = f.audioCodec;
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) return std::string("no ") + name + " encoder in this FFmpeg";
    aenc = avcodec_alloc_context3(codec);
    aenc->sample_rate = f.audioRate;
    aenc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&aenc->ch_layout, &stereo);
    aenc->time_base = AVRational{1, aenc->sample_rate};
    if (!f.lossless) aenc->bit_rate = 96000 + 1600 * cs.quality;  // 96 to 256 kbit/s
    if (fmt->oformat->flags & AVFMT_GLOBALHEADER) aenc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int err = avcodec_open2(aenc, codec, nullptr);
    if (err < 0) return avError(name, err);
    ast = avformat_new_stream(fmt, nullptr);
    ast->time_base = aenc->time_base;
    avcodec_parameters_from_context(ast->codecpar, aenc);

    if ((err = swr_alloc_set_opts2(&swr, &aenc->ch_layout, aenc->sample_fmt, aenc->sample_rate,
                                   &stereo, AV_SAMPLE_FMT_S16, kCaptureRate, 0, nullptr)) < 0 ||
        (err = swr_init(swr)) < 0)
        return avError("sound conversion", err);
    fifo = av_audio_fifo_alloc(aenc->sample_fmt, 2, 8192);
    aframe = av_frame_alloc();
    return fifo && aframe ? "" : "out of memory";
}

std::string Encoder::Impl::openAll() {
    int err = avformat_alloc_output_context2(&fmt, nullptr, cs.format->muxer, cs.temp.c_str());
    if (err < 0 || !fmt) return avError("output", err);
    std::string e = openVideo();
    if (e.empty()) e = openAudio();
    if (!e.empty()) return e;
    pkt = av_packet_alloc();
    if ((err = avio_open(&fmt->pb, cs.temp.c_str(), AVIO_FLAG_WRITE)) < 0)
        return avError(cs.temp.c_str(), err);
    AVDictionary* opts = optionsOf(cs.format->muxerOptions);
    err = avformat_write_header(fmt, &opts);
    av_dict_free(&opts);
    if (err < 0) return avError("writing the header", err);
    headerWritten = true;
    return "";
}

// Writes every packet that the encoder has ready.
std::string Encoder::Impl::drain(AVCodecContext* enc, AVStream* st) {
    for (;;) {
        int err = avcodec_receive_packet(enc, pkt);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return "";
        if (err < 0) return avError("encoding", err);
        if (pkt->duration == 0 && enc == venc) pkt->duration = 1;
        av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
        pkt->stream_index = st->index;
        if ((err = av_interleaved_write_frame(fmt, pkt)) < 0) return avError("writing", err);
    }
}

std::string Encoder::Impl::encodeVideo(const CaptureFrame& f) {
    int err = av_frame_make_writable(vframe);
    if (err < 0) return avError("video frame", err);
    double t0 = captureNow();
    // The frame's planes (one for BGRA) lie one after the other, their rows
    // without padding; the codec's picture has rows of its own stride.
    const uint8_t* src = f.pixels.data();
    const bool yuv = venc->pix_fmt == AV_PIX_FMT_YUV420P;
    for (int plane = 0; plane < (yuv ? 3 : 1); ++plane) {
        const int rows = plane ? cs.height / 2 : cs.height;
        const int bytes = !yuv ? cs.width * 4 : plane ? cs.width / 2 : cs.width;
        for (int y = 0; y < rows; ++y, src += bytes)
            memcpy(vframe->data[plane] + (size_t)y * vframe->linesize[plane], src, bytes);
    }
    double t1 = captureNow();
    times.copy += t1 - t0;
    vframe->pts = vpts++;
    if ((err = avcodec_send_frame(venc, vframe)) < 0) return avError("encoding", err);
    std::string e = drain(venc, vst);
    times.video += captureNow() - t1;
    return e;
}

// Sends frames samples from the queue to the audio encoder.
std::string Encoder::Impl::sendAudio(int frames) {
    av_frame_unref(aframe);
    aframe->nb_samples = frames;
    aframe->format = aenc->sample_fmt;
    aframe->sample_rate = aenc->sample_rate;
    av_channel_layout_copy(&aframe->ch_layout, &aenc->ch_layout);
    int err = av_frame_get_buffer(aframe, 0);
    if (err < 0) return avError("sound frame", err);
    av_audio_fifo_read(fifo, (void**)aframe->data, frames);
    aframe->pts = apts + (cs.format->audioFromDelay ? aenc->initial_padding : 0);
    apts += frames;
    if ((err = avcodec_send_frame(aenc, aframe)) < 0) return avError("encoding the sound", err);
    return drain(aenc, ast);
}

// Converts one frame's samples (or, given null, what the converter still
// holds) and sends every whole codec frame; at the end, the rest as well.
std::string Encoder::Impl::encodeAudio(const CaptureFrame* f) {
    const int in = f ? (int)(f->audio.size() / 2) : 0;
    const int room = swr_get_out_samples(swr, in);
    if (room > 0) {
        if (av_audio_fifo_space(fifo) < room &&
            av_audio_fifo_realloc(fifo, av_audio_fifo_size(fifo) + room) < 0)
            return "out of memory";
        uint8_t* planes[2];
        std::vector<uint8_t> buf;
        int bytes = av_samples_get_buffer_size(nullptr, 2, room, aenc->sample_fmt, 1);
        buf.resize(bytes);
        av_samples_fill_arrays(planes, nullptr, buf.data(), 2, room, aenc->sample_fmt, 1);
        const uint8_t* src[1] = {f ? (const uint8_t*)f->audio.data() : nullptr};
        int got = swr_convert(swr, planes, room, f ? src : nullptr, in);
        if (got < 0) return avError("sound conversion", got);
        av_audio_fifo_write(fifo, (void**)planes, got);
    }
    const int size =
        aenc->frame_size > 0 && !(aenc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)
            ? aenc->frame_size
            : 4096;
    while (av_audio_fifo_size(fifo) >= size) {
        std::string e = sendAudio(size);
        if (!e.empty()) return e;
    }
    if (!f && av_audio_fifo_size(fifo) > 0)
        return sendAudio(av_audio_fifo_size(fifo));  // a short last frame
    return "";
}

std::string Encoder::Impl::close() {
    std::string e = encodeAudio(nullptr);
    int err;
    if (e.empty() && (err = avcodec_send_frame(venc, nullptr)) < 0) e = avError("encoding", err);
    if (e.empty()) e = drain(venc, vst);
    if (e.empty() && (err = avcodec_send_frame(aenc, nullptr)) < 0)
        e = avError("encoding the sound", err);
    if (e.empty()) e = drain(aenc, ast);
    if (e.empty() && (err = av_write_trailer(fmt)) < 0) e = avError("finishing the file", err);
    if (e.empty() && (err = avio_closep(&fmt->pb)) < 0) e = avError("closing the file", err);
    return e;
}

void Encoder::Impl::work() {
    const double cpu0 = threadCpuNow();
    struct AddCpu {
        double& sum;
        double from;
        ~AddCpu() { sum += threadCpuNow() - from; }
    } addCpu{times.cpu, cpu0};
    for (;;) {
        CaptureFrame f;
        {
            double t0 = captureNow();
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return !queue.empty() || closing; });
            times.idle += captureNow() - t0;
            if (queue.empty()) return;
            f = std::move(queue.front());
            queue.pop_front();
            cv.notify_all();
        }
        std::string e = encodeVideo(f);
        double t0 = captureNow();
        if (e.empty()) e = encodeAudio(&f);
        times.sound += captureNow() - t0;
        if (!e.empty()) {
            setError(e);
            return;
        }
        std::lock_guard<std::mutex> lock(m);
        spare.push_back(std::move(f));
    }
}

Encoder::Encoder() : impl_(new Impl) {}

Encoder::~Encoder() {
    if (impl_->thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(impl_->m);
            impl_->closing = true;
            impl_->cv.notify_all();
        }
        impl_->thread.join();
    }
    delete impl_;
}

std::string Encoder::open(const CaptureSettings& settings) {
    impl_->cs = settings;
    av_log_set_level(AV_LOG_ERROR);
    // The thread lowers its priority and then opens the codecs, so that the
    // threads they start inherit it.
    std::promise<std::string> opened;
    std::future<std::string> result = opened.get_future();
    impl_->thread = std::thread(
        [this](std::promise<std::string> opened) {
            errno = 0;
            const int nice = getpriority(PRIO_PROCESS, 0);  // on Linux: this thread's
            if (errno == 0) setpriority(PRIO_PROCESS, 0, std::min(nice + kEncoderNice, 19));
            std::string e = impl_->openAll();
            const bool ok = e.empty();
            opened.set_value(std::move(e));
            if (ok) impl_->work();
        },
        std::move(opened));
    std::string e = result.get();
    if (!e.empty()) impl_->thread.join();
    return e;
}

bool Encoder::push(CaptureFrame&& frame) {
    std::unique_lock<std::mutex> lock(impl_->m);
    impl_->cv.wait(lock, [&] { return impl_->queue.size() < kQueue || !impl_->error.empty(); });
    if (!impl_->error.empty()) return false;
    impl_->queue.push_back(std::move(frame));
    impl_->cv.notify_all();
    return true;
}

CaptureFrame Encoder::recycled() {
    std::lock_guard<std::mutex> lock(impl_->m);
    CaptureFrame f;
    if (!impl_->spare.empty()) {
        f = std::move(impl_->spare.front());
        impl_->spare.pop_front();
    }
    return f;
}

EncodeTimes Encoder::times() const { return impl_->times; }

std::string Encoder::finish() {
    if (impl_->thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(impl_->m);
            impl_->closing = true;
            impl_->cv.notify_all();
        }
        impl_->thread.join();
    }
    if (!impl_->error.empty()) return impl_->error;
    if (!impl_->headerWritten) return "the file was not opened";
    return impl_->close();
}
