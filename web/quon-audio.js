// The page's audio worklet: plays, on the browser's audio thread, the mix that
// the page's main thread makes ahead and sends over the node's port. Whenever
// what it holds plus what it has asked for falls a block below its lead, it
// asks the page for the difference; a long frame on the main thread then only
// eats into the lead instead of into the sound. Blocks come as Int16Array,
// stereo interleaved. With the test option tap it sends back everything it
// plays, silence for want of mix included, with the count of such frames.
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
    this.tap = o.tap ? { pcm: new Int16Array(TAP_BLOCK * 2), n: 0 } : null;
    this.port.onmessage = (e) => {
      const m = e.data;
      this.asked -= m.asked;
      if (m.pcm.length > 0) {
        this.blocks.push(m.pcm);
        this.held += m.pcm.length / 2;
        this.playing = true;
      }
    };
  }

  record(l, r) {
    const tap = this.tap;
    tap.pcm[tap.n * 2] = l;
    tap.pcm[tap.n * 2 + 1] = r;
    if (++tap.n === TAP_BLOCK) {
      this.port.postMessage({ played: tap.pcm, gap: this.gap }, [tap.pcm.buffer]);
      tap.pcm = new Int16Array(TAP_BLOCK * 2);
      tap.n = 0;
    }
  }

  process(inputs, outputs) {
    const left = outputs[0][0], right = outputs[0][1];
    for (let i = 0; i < left.length; ++i) {
      const b = this.blocks[0];
      let l = 0, r = 0;
      if (b) {
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
      }
      left[i] = l / 32768;
      right[i] = r / 32768;
      if (this.tap && this.playing) this.record(l, r);
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
