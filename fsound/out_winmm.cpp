// The WinMM output of the Windows build: 16-bit stereo through waveOut, with
// three buffers of about 23 ms each in flight. The mixer thread fills a free
// buffer, queues it and waits on an event that the driver signals when a
// buffer is done.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "fsound_internal.h"

namespace fsound {
namespace {

constexpr int kBuffers = 3;
constexpr int kBlockFrames = 1024;

class WinmmOutput : public Output {
public:
    WinmmOutput(HWAVEOUT wave, HANDLE event) : wave_(wave), event_(event) {
        for (int i = 0; i < kBuffers; ++i) {
            data_[i].assign(kBlockFrames * 2, 0);
            std::memset(&headers_[i], 0, sizeof headers_[i]);
            headers_[i].lpData = reinterpret_cast<LPSTR>(data_[i].data());
            headers_[i].dwBufferLength = kBlockFrames * 4;
            waveOutPrepareHeader(wave_, &headers_[i], sizeof headers_[i]);
            headers_[i].dwFlags |= WHDR_DONE;  // free to fill
        }
    }
    ~WinmmOutput() override {
        waveOutReset(wave_);
        for (int i = 0; i < kBuffers; ++i)
            waveOutUnprepareHeader(wave_, &headers_[i], sizeof headers_[i]);
        waveOutClose(wave_);
        CloseHandle(event_);
    }
    int blockFrames() const override { return kBlockFrames; }
    bool write(const short* frames, int n) override {
        while (n > 0) {
            WAVEHDR& h = headers_[next_];
            while (!(h.dwFlags & WHDR_DONE)) {
                if (WaitForSingleObject(event_, 1000) == WAIT_FAILED) return false;
            }
            const int count = n < kBlockFrames ? n : kBlockFrames;
            std::memcpy(data_[next_].data(), frames, size_t(count) * 4);
            h.dwBufferLength = DWORD(count) * 4;
            h.dwFlags &= ~WHDR_DONE;
            if (waveOutWrite(wave_, &h, sizeof h) != MMSYSERR_NOERROR) return false;
            next_ = (next_ + 1) % kBuffers;
            frames += count * 2;
            n -= count;
        }
        return true;
    }

private:
    HWAVEOUT wave_;
    HANDLE event_;
    WAVEHDR headers_[kBuffers];
    std::vector<short> data_[kBuffers];
    int next_ = 0;
};

}  // namespace

// The name selects nothing on Windows: the system's default wave device plays.
std::unique_ptr<Output> openDeviceOutput(const std::string&, int rate) {
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = DWORD(rate) * 4;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!event) return nullptr;
    HWAVEOUT wave = nullptr;
    if (waveOutOpen(&wave, WAVE_MAPPER, &format, DWORD_PTR(event), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        CloseHandle(event);
        return nullptr;
    }
    return std::make_unique<WinmmOutput>(wave, event);
}

}  // namespace fsound
