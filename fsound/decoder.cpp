// Ogg Vorbis decoding from memory with stb_vorbis, seeking to the exact frame.
#include <algorithm>
#include <cstring>

#include "fsound.h"
#include "fsound_internal.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#pragma GCC diagnostic ignored "-Wshadow"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wclass-memaccess"
#endif
#endif
#define STB_VORBIS_NO_STDIO
#include <stb/stb_vorbis.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace fsound {

Decoder::~Decoder() {
    if (v_) stb_vorbis_close(v_);
}

int Decoder::open(const unsigned char* data, int len, int rate) {
    int err = 0;
    v_ = stb_vorbis_open_memory(data, len, &err, nullptr);
    if (!v_) return err == VORBIS_outofmem ? FSOUND_ERR_MEMORY : FSOUND_ERR_FILE_FORMAT;
    stb_vorbis_info info = stb_vorbis_get_info(v_);
    if (info.channels < 1 || info.channels > 2 || static_cast<int>(info.sample_rate) != rate)
        return FSOUND_ERR_FILE_UNSUPPORTED;
    frames_ = stb_vorbis_stream_length_in_samples(v_);
    // The length scan moves the reader; go back to the first frame.
    if (frames_ <= 0 || !stb_vorbis_seek_start(v_)) return FSOUND_ERR_FILE_FORMAT;
    return FSOUND_ERR_NONE;
}

bool Decoder::seek(int64_t frame) {
    aheadPos_ = aheadLen_ = 0;
    if (frame >= frames_) {
        atEnd_ = true;
        return true;
    }
    atEnd_ = false;
    if (frame <= 0) return stb_vorbis_seek_start(v_) != 0;
    return stb_vorbis_seek(v_, static_cast<unsigned int>(frame)) != 0;
}

int Decoder::read(short* out, int frames) {
    int done = 0;
    while (done < frames) {
        if (aheadPos_ == aheadLen_) {
            if (atEnd_) break;
            ahead_.resize(kChunk * 2);
            aheadLen_ = stb_vorbis_get_samples_short_interleaved(v_, 2, ahead_.data(), kChunk * 2);
            aheadPos_ = 0;
            if (aheadLen_ == 0) {
                atEnd_ = true;
                break;
            }
        }
        int n = std::min(frames - done, aheadLen_ - aheadPos_);
        std::memcpy(out + done * 2, &ahead_[aheadPos_ * 2], sizeof(short) * 2 * n);
        aheadPos_ += n;
        done += n;
    }
    return done;
}

}  // namespace fsound
