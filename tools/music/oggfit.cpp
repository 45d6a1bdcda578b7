#include "oggfit.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace music {

namespace {

Packet copyPacket(const ogg_packet& op) {
    Packet p;
    p.data.assign(op.packet, op.packet + op.bytes);
    p.granule = op.granulepos;
    p.number = op.packetno;
    p.eos = op.e_o_s != 0;
    return p;
}

ogg_packet view(const Packet& p, bool bos) {
    ogg_packet op{};
    op.packet = const_cast<unsigned char*>(p.data.data());
    op.bytes = (long)p.data.size();
    op.b_o_s = bos;
    op.e_o_s = p.eos;
    op.granulepos = p.granule;
    op.packetno = p.number;
    return op;
}

void put(Bytes& out, const ogg_page& pg) {
    out.insert(out.end(), pg.header, pg.header + pg.header_len);
    out.insert(out.end(), pg.body, pg.body + pg.body_len);
}

void flushAll(ogg_stream_state& os, Bytes& out) {
    ogg_page pg;
    while (ogg_stream_flush(&os, &pg)) put(out, pg);
}

// Header pages only, or the whole stream when `withAudio`.
Bytes pages(const Encoded& e, const Packet& comment, long serial, bool ownPage, bool withAudio) {
    ogg_stream_state os;
    ogg_stream_init(&os, (int)serial);
    Bytes out;
    ogg_packet op = view(e.id, true);
    ogg_stream_packetin(&os, &op);
    flushAll(os, out);  // the identification header always stands alone
    op = view(comment, false);
    ogg_stream_packetin(&os, &op);
    if (ownPage) flushAll(os, out);
    op = view(e.setup, false);
    ogg_stream_packetin(&os, &op);
    flushAll(os, out);
    if (withAudio) {
        ogg_page pg;
        for (const Packet& p : e.audio) {
            op = view(p, false);
            ogg_stream_packetin(&os, &op);
            while (ogg_stream_pageout(&os, &pg)) put(out, pg);
        }
        flushAll(os, out);
    }
    ogg_stream_clear(&os);
    return out;
}

}  // namespace

Encoded encodeVorbis(const std::vector<float>& pcm, float quality) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, 44100, quality) != 0) {
        vorbis_info_clear(&vi);
        throw std::runtime_error("vorbis encoder refused the quality setting");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);

    Encoded e;
    ogg_packet h0, h1, h2;
    vorbis_analysis_headerout(&vd, &vc, &h0, &h1, &h2);
    e.id = copyPacket(h0);
    e.setup = copyPacket(h2);

    auto drain = [&] {
        ogg_packet op;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) e.audio.push_back(copyPacket(op));
        }
    };
    const long frames = (long)pcm.size() / 2, chunk = 4096;
    for (long f = 0; f < frames; f += chunk) {
        long n = std::min(chunk, frames - f);
        float** buf = vorbis_analysis_buffer(&vd, (int)n);
        for (long i = 0; i < n; ++i) {
            buf[0][i] = pcm[2 * (f + i)];
            buf[1][i] = pcm[2 * (f + i) + 1];
        }
        vorbis_analysis_wrote(&vd, (int)n);
        drain();
    }
    vorbis_analysis_wrote(&vd, 0);
    drain();

    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return e;
}

Packet commentPacket(const std::string& title, long pad) {
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", title.c_str());
    std::string padding((size_t)pad, ' ');
    vorbis_comment_add_tag(&vc, "PADDING", padding.c_str());
    ogg_packet op;
    vorbis_commentheader_out(&vc, &op);
    Packet p = copyPacket(op);
    p.number = 1;
    p.granule = 0;
    ogg_packet_clear(&op);
    vorbis_comment_clear(&vc);
    return p;
}

Bytes assemble(const Encoded& e, const Packet& comment, long serial, bool ownPage) {
    return pages(e, comment, serial, ownPage, true);
}

bool fitPadding(const Encoded& e, const std::string& title, long serial, long target, long maxPad,
                Fit& out) {
    for (bool ownPage : {false, true}) {
        // Audio pages do not depend on the header pages, so the size for a padding
        // is the audio bytes plus the header pages built alone.
        auto headerBytes = [&](long pad) {
            return (long)pages(e, commentPacket(title, pad), serial, ownPage, false).size();
        };
        long base = (long)assemble(e, commentPacket(title, 0), serial, ownPage).size();
        long audio = base - headerBytes(0);
        long need = target - base;
        if (need < 0 || need > maxPad + maxPad / 255 + 64) continue;
        // Each padding byte adds one byte, plus a lacing byte every 255 and a page
        // header when a page fills: the answer lies a little below `need`.
        for (long pad = need; pad >= 0 && pad >= need - need / 255 - 64; --pad) {
            if (pad > maxPad || audio + headerBytes(pad) != target) continue;
            Bytes file = assemble(e, commentPacket(title, pad), serial, ownPage);
            if ((long)file.size() != target) continue;
            out.pad = pad;
            out.commentOwnPage = ownPage;
            out.file = std::move(file);
            return true;
        }
    }
    return false;
}

Fit fitTrack(const std::vector<float>& pcm, const std::string& title, long serial, long target,
             float quality) {
    const long maxPad = std::max(1000L, target / 500);
    Fit fit;
    auto minSize = [&](const Encoded& e) {
        return (long)assemble(e, commentPacket(title, 0), serial, false).size();
    };
    auto attempt = [&](float q, long& size) {
        Encoded e = encodeVorbis(pcm, q);
        size = minSize(e);
        fit.quality = q;
        return size <= target && fitPadding(e, title, serial, target, maxPad, fit);
    };
    long size;
    if (attempt(quality, size)) return fit;
    // Bracket the target between a quality that is too small and one too large.
    float lo = quality, hi = quality;
    if (size > target) {
        do {
            hi = lo;
            lo -= 0.05f;
            if (lo < -0.1f) throw std::runtime_error("track too large even at the lowest quality");
            if (attempt(lo, size)) return fit;
        } while (size > target);
    } else {
        do {
            lo = hi;
            hi += 0.05f;
            if (hi > 1.0f) throw std::runtime_error("track too small even at the highest quality");
            if (attempt(hi, size)) return fit;
        } while (size <= target);
    }
    for (int i = 0; i < 24; ++i) {
        float mid = 0.5f * (lo + hi);
        if (attempt(mid, size)) return fit;
        (size <= target ? lo : hi) = mid;
    }
    throw std::runtime_error("no quality and padding reach the exact length");
}

}  // namespace music
