// The music seen from the page, two ways, each answering now() with the
// { position, playing } the picture should follow:
//
//   - ShowMusic: the sound, libopenmpt playing the module in an AudioWorklet
//     (music-worklet.js). The worklet renders ahead of the loudspeaker by the
//     output's latency, so its reports are queued with the sample frame at
//     which each block ends and taken only once the output has played that
//     far. So the picture follows the sound, as the native player's does.
//   - SilentMusic: no sound; the module rendered on the page's thread in step
//     with the clock, as the capture renders it, for a page whose sound
//     cannot start. The show then plays on silently in real time, as the
//     native show does with no sound card.
import { loadLibopenmpt, ModulePlayer, ModuleTimeline } from './openmpt.js';

// How long the sound may take to start before the show goes on without it.
const soundStartMs = 2000;
// The worklet compiles libopenmpt before it can play: seconds in some engines.
const playerStartMs = 20000;

// Why the sound did not start; the show then plays silently.
export class SoundFailure extends Error {}

function within(ms, promise, reason) {
  let timer;
  const late = new Promise((_, reject) => { timer = setTimeout(() => reject(new SoundFailure(reason)), ms); });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

export class ShowMusic {
  // Call inside the click (or tap) that starts the show, before anything is
  // awaited: browsers start sound only there, and WebKit drops the click's
  // permission at the first await.
  constructor() {
    this.context = new AudioContext({ sampleRate: 44100, latencyHint: 'interactive' });
    this.resumed = this.context.resume();
    this.resumed.catch(() => {});  // awaited, with a limit, in play()
    this.reports = [];
    this.heard = { position: 0, playing: false };
    this.node = null;
  }

  // Plays the module once. Resolves when it plays, or when libopenmpt refuses
  // the bytes (onRefused(reason) is called then; the music stays at order 0,
  // stopped, as natively). Rejects with a SoundFailure when there is no sound.
  async play(moduleBytes, onRefused) {
    const worklet = this.context.audioWorklet.addModule(new URL('./music-worklet.js', import.meta.url));
    await within(soundStartMs, this.resumed.catch((error) => {
      throw new SoundFailure(`the sound output refused to start (${error.message})`);
    }), `the sound output did not start within ${soundStartMs / 1000} s (no output device?)`);
    await within(playerStartMs, worklet, 'the sound worklet did not load').catch((error) => {
      throw error instanceof SoundFailure ? error : new SoundFailure(`the sound worklet failed to load (${error.message})`);
    });
    this.node = new AudioWorkletNode(this.context, 'show-music', {
      numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2],
    });
    const started = new Promise((resolve, reject) => {
      this.node.port.onmessage = ({ data }) => {
        if (data.type === 'refused') {
          onRefused(data.reason);
          resolve();
        } else if (data.type === 'failed') {
          reject(new SoundFailure(`the music player failed in the sound worklet (${data.reason})`));
        } else {
          this.reports.push(data);
          resolve();
        }
      };
    });
    this.node.connect(this.context.destination);
    // The bytes go as a message, after the node is made: a large module
    // parsed while the node is being constructed would hold the page up.
    this.node.port.postMessage(moduleBytes);
    await within(playerStartMs, started, 'the music player did not start in the sound worklet');
  }

  // The output's time now, in seconds of the context. Where the engine
  // reports its output latency, the context's own time less that latency;
  // else the output's timestamp (WebKit), extrapolated only by a sane amount,
  // since its performanceTime need not share the page's time origin.
  heardSeconds() {
    const context = this.context;
    if (context.outputLatency) return context.currentTime - (context.baseLatency || 0) - context.outputLatency;
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime > 0) {
      const since = (performance.now() - stamp.performanceTime) / 1000;
      return stamp.contextTime + (since >= 0 && since < 0.5 ? since : 0);
    }
    return context.currentTime - (context.baseLatency || 0);
  }

  // { position, playing } as heard now.
  now() {
    const heardFrame = this.heardSeconds() * this.context.sampleRate;
    while (this.reports.length && this.reports[0].endFrame <= heardFrame) this.heard = this.reports.shift();
    return this.heard;
  }

  stop() {
    if (this.node) this.node.disconnect();
    this.context.close().catch(() => {});
  }
}

export class SilentMusic {
  // Throws an Error when libopenmpt refuses the bytes.
  constructor(lib, moduleBytes, sampleRate) {
    this.player = new ModulePlayer(lib, moduleBytes, 65536);
    this.timeline = new ModuleTimeline(this.player, sampleRate);
    this.sampleRate = sampleRate;
    this.started = performance.now();
    this.rendered = 0;
  }

  static async start(moduleBytes, sampleRate) {
    return new SilentMusic(await loadLibopenmpt(), moduleBytes, sampleRate);
  }

  now() {
    const due = Math.floor((performance.now() - this.started) / 1000 * this.sampleRate);
    this.timeline.advance(due - this.rendered);
    this.rendered = due;
    return { position: this.timeline.position, playing: this.timeline.playing };
  }

  stop() {
    this.player.destroy();
  }
}
