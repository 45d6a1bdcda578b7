// Vorbis encoding to an Ogg file of an exact byte length. The length is reached
// by choosing the encoder quality and then padding the comment header, never by
// appending bytes after the last page.
#pragma once
#include <string>
#include <vector>

namespace music {

using Bytes = std::vector<unsigned char>;

struct Packet {
    Bytes data;
    long long granule = 0;
    long long number = 0;
    bool eos = false;
};

// Identification and setup headers plus the audio packets of one encode.
struct Encoded {
    Packet id, setup;
    std::vector<Packet> audio;
};

// Stereo 44100 Hz VBR encode of interleaved samples in [-1, 1].
Encoded encodeVorbis(const std::vector<float>& interleaved, float quality);

// Comment header with a TITLE tag and a PADDING tag of `pad` characters.
Packet commentPacket(const std::string& title, long pad);

// The whole Ogg stream. With `commentOwnPage` the comment header gets a page of
// its own instead of sharing one with the setup header.
Bytes assemble(const Encoded& e, const Packet& comment, long serial, bool commentOwnPage);

struct Fit {
    float quality = 0;
    long pad = -1;
    bool commentOwnPage = false;
    Bytes file;
};

// Finds a padding and page layout that give exactly `target` bytes for this
// encode; false if none within `maxPad` characters of padding.
bool fitPadding(const Encoded& e, const std::string& title, long serial, long target, long maxPad,
                Fit& out);

// Tries `quality` first, then searches the quality for an encode that can be
// padded to `target` bytes. Throws if no quality works.
Fit fitTrack(const std::vector<float>& interleaved, const std::string& title, long serial,
             long target, float quality);

}  // namespace music
