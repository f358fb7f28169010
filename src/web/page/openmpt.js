// The module player shared by the live sound (music-worklet.js, on the audio
// thread), the silent show and the page's captures (on the page's thread):
// libopenmpt compiled to WebAssembly, as the chiptune3 package ships it. Set
// as the native player is: play once, stop at the end, no dither.
import createLibopenmpt from './libopenmpt.worklet.js';

export const loadLibopenmpt = () => createLibopenmpt();

export const makePosition = (order, row) => ((order & 0xffff) | (row << 16)) >>> 0;
export const orderOf = (position) => position & 0xffff;
export const rowOf = (position) => position >>> 16;

// Past the song's last row libopenmpt renders the tail of the sound with its
// position back at (0, 0); the show must not see its opening order again
// then, so once a later order has been seen the last position stands.
export function positionAfterBlock(published, reported) {
  const backToStart = orderOf(reported) === 0 && orderOf(published) !== 0;
  return backToStart ? published : reported;
}

// An ASCII string in libopenmpt's memory for the length of `use` (the
// audio worklet's scope has no TextEncoder).
function withCString(lib, text, use) {
  const pointer = lib._malloc(text.length + 1);
  for (let i = 0; i < text.length; ++i) lib.HEAPU8[pointer + i] = text.charCodeAt(i);
  lib.HEAPU8[pointer + text.length] = 0;
  try {
    return use(pointer);
  } finally {
    lib._free(pointer);
  }
}

export class ModulePlayer {
  // Throws an Error whose message says why libopenmpt refused the bytes.
  constructor(lib, bytes, largestBlock) {
    this.lib = lib;
    const data = lib._malloc(bytes.byteLength);
    lib.HEAPU8.set(new Uint8Array(bytes), data);
    const errorSlots = lib._malloc(8);
    lib.HEAP32[errorSlots >> 2] = 0;
    lib.HEAP32[(errorSlots >> 2) + 1] = 0;
    this.module = lib._openmpt_module_create_from_memory2(data, bytes.byteLength, 0, 0, 0, 0,
      errorSlots, errorSlots + 4, 0);
    lib._free(data);
    const messagePointer = lib.HEAP32[(errorSlots >> 2) + 1];
    const message = messagePointer ? lib.UTF8ToString(messagePointer) : 'not a module libopenmpt can play';
    if (messagePointer) lib._openmpt_free_string(messagePointer);
    lib._free(errorSlots);
    if (!this.module) throw new Error(message);

    lib._openmpt_module_set_repeat_count(this.module, 0);
    this.setControl('play.at_end', 'stop');
    this.setControl('dither', '0');
    this.buffer = lib._malloc(largestBlock * 8);
    this.largestBlock = largestBlock;
  }

  setControl(name, value) {
    withCString(this.lib, name, (key) => withCString(this.lib, value, (text) =>
      this.lib._openmpt_module_ctl_set(this.module, key, text)));
  }

  durationSeconds() {
    return this.lib._openmpt_module_get_duration_seconds(this.module);
  }

  position() {
    return makePosition(this.lib._openmpt_module_get_current_order(this.module),
      this.lib._openmpt_module_get_current_row(this.module));
  }

  // Up to largestBlock frames of 16-bit interleaved stereo; how many came.
  readInterleaved(sampleRate, frames) {
    return this.lib._openmpt_module_read_interleaved_stereo(this.module, sampleRate, frames, this.buffer);
  }

  // Up to largestBlock frames of float stereo into two channel arrays.
  readFloat(sampleRate, left, right) {
    const frames = Math.min(left.length, this.largestBlock);
    const leftPointer = this.buffer, rightPointer = this.buffer + frames * 4;
    const got = this.lib._openmpt_module_read_float_stereo(this.module, sampleRate, frames, leftPointer, rightPointer);
    left.set(this.lib.HEAPF32.subarray(leftPointer >> 2, (leftPointer >> 2) + got));
    right.set(this.lib.HEAPF32.subarray(rightPointer >> 2, (rightPointer >> 2) + got));
    return got;
  }

  destroy() {
    if (!this.module) return;
    this.lib._openmpt_module_destroy(this.module);
    this.lib._free(this.buffer);
    this.module = 0;
  }
}

// The player as the show's offline stepper renders it (web_capture.cpp calls
// this as Module.captureModule): the sound copied into the show's memory,
// the position and the length as libopenmpt gives them.
export function captureModule(player, sampleRate) {
  return {
    readInto(frames, target, at) {
      const got = player.readInterleaved(sampleRate, Math.min(frames, player.largestBlock));
      const from = player.buffer >> 1;
      target.set(player.lib.HEAP16.subarray(from, from + got * 2), at);
      return got;
    },
    position: () => player.position(),
    durationSeconds: () => player.durationSeconds(),
  };
}

// The module rendered on the page's thread, samples counted rather than
// heard, for the silent show: the position and playing state after each
// stretch of sound, advanced by the time that has passed.
export class ModuleTimeline {
  constructor(player, sampleRate) {
    this.player = player;
    this.sampleRate = sampleRate;
    this.position = 0;
    this.playing = true;
  }

  // Renders the next `frames` sample frames (the sound itself is dropped).
  advance(frames) {
    if (!this.playing) return;
    let wanted = frames;
    while (wanted > 0) {
      const got = this.player.readInterleaved(this.sampleRate, Math.min(wanted, this.player.largestBlock));
      if (got === 0) {
        // The end: the position read now would be back at the start.
        this.playing = false;
        return;
      }
      wanted -= got;
    }
    this.position = positionAfterBlock(this.position, this.player.position());
  }
}
