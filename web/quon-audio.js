// The page's audio worklet: plays, on the browser's audio thread, the mix that
// the page's main thread makes ahead and sends over the node's port. Whenever
// what it holds plus what it has asked for falls a block below its lead, it
// asks the page for the difference; a long frame on the main thread then only
// eats into the lead instead of into the sound. Blocks come as Int16Array,
// stereo interleaved. When it has run dry (played silence for want of mix)
// it says so with the first mix after; the page then moves the music on and
// tells it to flush: what it holds was mixed for a time already past. The
// first frame it plays of a new start (the first mix, or the first after a
// flush) it reports with the audio context's frame at which it plays, so
// that the page can tell when that frame is heard. With
// the test option tap it sends back everything it plays, silence for want of
// mix included, with the count of such frames and the audio context's frame
// at which each message's first frame played.
'use strict';

const TAP_BLOCK = 8192;  // frames a tap message carries

class QuonPlayer extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const o = options.processorOptions;
    this.lead = o.lead;      // frames to hold, mixed ahead
    this.block = o.block;    // asks for no fewer frames than this
    this.blocks = [];        // what is held, oldest first
    this.at = 0;             // next sample in blocks[0]
    this.held = 0;           // frames held
    this.asked = 0;          // frames asked for and not yet answered
    this.playing = false;    // the first mix has come
    this.gap = 0;            // frames of silence played since then
    this.dry = 0;            // of those, since the last mix played
    this.fresh = true;       // the next frame played begins a new start
    this.tap = o.tap ? { pcm: new Int16Array(TAP_BLOCK * 2), n: 0, frame: 0 } : null;
    this.port.onmessage = (e) => {
      const m = e.data;
      if (m.flush) {
        // Everything held came before the flush; the silence until the next
        // mix is the page's doing, not a gap.
        this.blocks = [];
        this.at = 0;
        this.held = 0;
        this.playing = false;
        this.dry = 0;
        this.fresh = true;
        if (this.tap && this.tap.n > 0) this.sendTap();  // what follows plays later
        return;
      }
      this.asked -= m.asked;
      if (m.pcm.length > 0) {
        this.blocks.push(m.pcm);
        this.held += m.pcm.length / 2;
        this.playing = true;
      }
    };
  }

  record(l, r, frame) {
    const tap = this.tap;
    if (tap.n === 0) tap.frame = frame;
    tap.pcm[tap.n * 2] = l;
    tap.pcm[tap.n * 2 + 1] = r;
    if (++tap.n === TAP_BLOCK) this.sendTap();
  }

  sendTap() {
    const tap = this.tap;
    const pcm = tap.n === TAP_BLOCK ? tap.pcm : tap.pcm.slice(0, tap.n * 2);
    this.port.postMessage({ played: pcm, gap: this.gap, frame: tap.frame }, [pcm.buffer]);
    tap.pcm = new Int16Array(TAP_BLOCK * 2);
    tap.n = 0;
  }

  process(inputs, outputs) {
    const left = outputs[0][0], right = outputs[0][1];
    for (let i = 0; i < left.length; ++i) {
      const b = this.blocks[0];
      let l = 0, r = 0;
      if (b) {
        if (this.dry > 0) {
          this.port.postMessage({ dry: this.dry });
          this.dry = 0;
        }
        if (this.fresh) {
          this.port.postMessage({ began: currentFrame + i });
          this.fresh = false;
        }
        l = b[this.at];
        r = b[this.at + 1];
        this.at += 2;
        --this.held;
        if (this.at === b.length) {
          this.blocks.shift();
          this.at = 0;
        }
      } else if (this.playing) {
        ++this.gap;
        ++this.dry;
      }
      left[i] = l / 32768;
      right[i] = r / 32768;
      if (this.tap && this.playing) this.record(l, r, currentFrame + i);
    }
    const want = this.lead - this.held - this.asked;
    if (want >= this.block) {
      this.asked += want;
      this.port.postMessage({ need: want });
    }
    return true;
  }
}

registerProcessor('quon-player', QuonPlayer);
