// FSOUND: a small sound layer that plays Ogg Vorbis streams.
//
// One mixer runs at the rate given to FSOUND_Init, in 16-bit stereo, on a
// thread of its own, and writes to an output device (ALSA "default" on Linux,
// the WinMM wave-out device on Windows).
// Streams are decoded while they play; each keeps its own play position in
// sample frames. When a stream has played to its end the mixer calls the
// stream's end callback on the mixer thread with no lock held, so the callback
// may call FSOUND_Stream_SetTime and FSOUND_Stream_Play to go on playing; the
// mixer then continues in the same block, without a gap.
//
// Every call sets the calling thread's last error (FSOUND_ERR_NONE on
// success), which FSOUND_GetError returns.
//
// Output selection, read by FSOUND_Init from the environment (a user setting,
// described in the README; tests and benchmarks use it too):
//   FSOUND_OUTPUT unset or "alsa"  the ALSA PCM "default"
//   FSOUND_OUTPUT=alsa:NAME        the ALSA PCM NAME
//   FSOUND_OUTPUT=null             mix in real time, discard the sound
//   FSOUND_OUTPUT=null:fast        mix as fast as possible, discard the sound
//   FSOUND_OUTPUT=wav:PATH         mix in real time into the WAV file PATH
//   FSOUND_OUTPUT=manual           no mixer thread: the caller mixes with
//                                  FSOUND_MixFrames
// A program chooses the output itself with FSOUND_SetOutput, which takes the
// same settings and overrides the environment.
// The ALSA library's own error reports are never printed. With
// FSOUND_ALSA_ERRORS set (to anything but "0" or nothing), a device that
// cannot be opened, or fails for good while playing, gives one line on
// standard error: fsound: ALSA device "NAME" cannot be opened: WHY
// (WHY: the library's first report, or its error text).
#ifndef FSOUND_H
#define FSOUND_H

typedef struct FSOUND_STREAM FSOUND_STREAM;
typedef struct FSOUND_DSPUNIT FSOUND_DSPUNIT;

// Stream callback: stream, buffer, length in bytes, user data. The end
// callback is given a null buffer and length 0; its result is ignored.
typedef signed char (*FSOUND_STREAMCALLBACK)(FSOUND_STREAM* stream, void* buff, int len,
                                             void* userdata);

// Error codes returned by FSOUND_GetError.
enum {
    FSOUND_ERR_NONE = 0,
    FSOUND_ERR_UNINITIALIZED = 1,   // the call needs FSOUND_Init first
    FSOUND_ERR_INIT = 2,            // no output device could be opened, or bad mixer settings
    FSOUND_ERR_INITIALIZED = 3,     // FSOUND_Init called twice without FSOUND_Close
    FSOUND_ERR_INVALID_HANDLE = 4,  // null or unknown stream or DSP unit
    FSOUND_ERR_INVALID_PARAM =
        5,  // an argument is out of range (null data, bad length, channel, time)
    FSOUND_ERR_FILE_NOTFOUND = 6,     // the named file could not be read
    FSOUND_ERR_FILE_FORMAT = 7,       // the data is not a decodable Ogg Vorbis stream
    FSOUND_ERR_FILE_UNSUPPORTED = 8,  // Ogg Vorbis, but not at the mixer's rate or not mono/stereo
    FSOUND_ERR_MEMORY = 9,            // out of memory
    FSOUND_ERR_BUSY = 10  // not allowed now (FSOUND_MixFrames while a mixer thread runs)
};

// Stream_Open mode bit: the first argument is the encoded data in memory and
// the last argument its length in bytes. Without it the first argument is a
// file name. Other mode bits are accepted and ignored.
#define FSOUND_LOADMEMORY 0x8000

// Stream_Play channel: any free channel.
#define FSOUND_FREE (-1)

// Number of values FSOUND_DSP_GetSpectrum gives.
#define FSOUND_SPECTRUM_SIZE 512

// Chooses the output that the next FSOUND_Init opens, in the settings of
// FSOUND_OUTPUT above ("manual" for no device); null goes back to reading the
// environment. Returns 1, or 0 while the layer is running.
signed char FSOUND_SetOutput(const char* setting);

// Starts the mixer at mixrate Hz (8000..192000) with maxchannels channels
// (1..256); flags are ignored. Returns 1 when ready, 0 when no output opens.
signed char FSOUND_Init(int mixrate, int maxchannels, unsigned int flags);
// Stops the mixer, closes every stream and the device. Returns 1.
signed char FSOUND_Close();
int FSOUND_GetError();

// Opens an Ogg Vorbis stream. With FSOUND_LOADMEMORY the data must stay valid
// until the stream is closed; it is not copied. offset skips that many bytes
// at the start of the data. Returns null on failure.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name_or_data, unsigned int mode, int offset,
                                  int length);
// Closes a stream; waits if the mixer is inside the stream's end callback on
// another thread. Returns 1, or 0 on error.
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Plays the stream from its current position on channel (0..maxchannels-1, or
// FSOUND_FREE). A stream already playing goes on unchanged. Returns the
// channel, or -1 on error.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream);
// Registers the function called each time the stream plays to its end
// (null removes it). Returns 1, or 0 on error.
signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                         void* userdata);
// Moves the play position to sample frame ms * rate / 1000 (a time past the
// end moves it to the end). Returns 1, or 0 on error.
signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms);
// Play position in sample frames, and length in sample frames; -1 on error.
int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream);
int FSOUND_Stream_GetLength(FSOUND_STREAM* stream);

// The spectrum analysis unit. While it is active the mixer computes, once per
// mixed block, the magnitude spectrum of the last 1024 frames it mixed
// (mono, Hann window); FSOUND_DSP_GetSpectrum returns FSOUND_SPECTRUM_SIZE
// values from 0 Hz up to half the mix rate, 1.0 being a full-scale sine. The
// returned array is the caller's copy, rewritten by the next call.
FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit();
signed char FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, signed char active);
float* FSOUND_DSP_GetSpectrum();

// With FSOUND_OUTPUT=manual: mixes the next frames stereo frames into buffer
// (interleaved left, right) on the calling thread, end callbacks included.
// At most 1048576 frames a call. Returns frames, or -1 on error.
int FSOUND_MixFrames(short* buffer, int frames);

#endif
