// THREAD: everything in this file runs on the browser's audio thread, inside
// an AudioWorklet. It alone touches the module from the moment it is loaded.
// After each rendered block it posts the position the module has reached and
// whether it still plays, stamped with the sample frame at which that block
// ends, so the page can show what is being heard (music.js). The page never
// calls into the module.
//
// libopenmpt is compiled once, as this file is loaded (addModule), not while
// a node is being made; the module's bytes come as the node's first message.
import { loadLibopenmpt, ModulePlayer, positionAfterBlock } from './openmpt.js';

const blockFrames = 128;
const library = loadLibopenmpt();

class ShowMusicProcessor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.player = null;
    this.playing = false;
    this.published = 0;
    this.port.onmessage = ({ data: moduleBytes }) => library.then((lib) => {
      try {
        this.player = new ModulePlayer(lib, moduleBytes, blockFrames);
      } catch (error) {
        this.port.postMessage({ type: 'refused', reason: error.message });
        return;
      }
      this.playing = true;
      this.port.postMessage({ type: 'playing', endFrame: currentFrame, position: 0, playing: true });
    }, (error) => this.port.postMessage({ type: 'failed', reason: String(error) }));
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    if (!this.playing) return true;  // silence
    const got = this.player.readFloat(sampleRate, left, right);
    if (got < left.length) {
      // The end: the position read now would be back at the start, so the
      // last one published stands.
      this.playing = false;
      this.player.destroy();
    } else {
      const position = positionAfterBlock(this.published, this.player.position());
      if (position === this.published) return true;
      this.published = position;
    }
    this.port.postMessage({ type: 'position', endFrame: currentFrame + left.length,
      position: this.published, playing: this.playing });
    return true;
  }
}

registerProcessor('show-music', ShowMusicProcessor);
