// The show saved as a video from the page: stepped offline through the
// show's own stepper (web_capture.cpp), each frame converted as the native
// capture converts it (I420, BT.709, limited range) and encoded with its
// sound by the browser (WebCodecs), the packets put into MP4 (H.264 and
// Opus) or, where the browser has no H.264 encoder, WebM (VP9 and Opus) by
// mediabunny, and the file offered as a download.
//
// Nothing here waits for requestAnimationFrame: the export goes on in a
// background tab, paced by the encoders' queues alone.
import { captureModule, loadLibopenmpt, ModulePlayer } from './openmpt.js';

// Frames and sound chunks an encoder may hold before the export waits for it.
const mostVideoQueued = 4;
const mostSoundQueued = 16;
// A key frame every two seconds: a long video can be sought.
const keyFrameSeconds = 2;
// Bits a second for each pixel of the picture, at either frame rate: enough
// to keep the show's thin lines (docs/web.md gives the rate of each size).
const bitsPerPixelSecond = 20;
const soundBitRate = 160000;
const colorSpace = { primaries: 'bt709', transfer: 'bt709', matrix: 'bt709', fullRange: false };

// What the saving is told to stop by.
export class Cancelled extends Error {}

const formats = [
  { container: 'mp4', videoCodec: 'avc', codecs: ['avc1.640028', 'avc1.4d0028', 'avc1.42e028'], type: 'video/mp4' },
  { container: 'webm', videoCodec: 'vp9', codecs: ['vp09.00.40.08'], type: 'video/webm' },
];

const videoConfig = (codec, width, height, fps) => ({
  codec, width, height, framerate: fps, bitrate: bitsPerPixelSecond * width * height,
  latencyMode: 'quality',
  // Annex B, from which the muxer makes the MP4's parameter sets itself:
  // Firefox's own description of them is not always well formed.
  ...(codec.startsWith('avc1') ? { avc: { format: 'annexb' } } : {}),
});

const soundConfig = (sampleRate) => ({ codec: 'opus', sampleRate, numberOfChannels: 2, bitrate: soundBitRate });

// How this browser saves a video of width x height at fps: { format,
// codec }, or { why } it cannot.
export async function videoPlan(width, height, fps, sampleRate) {
  if (!window.isSecureContext) return { why: 'saving a video needs the page served over HTTPS or from this computer' };
  if (typeof VideoEncoder !== 'function' || typeof AudioEncoder !== 'function' || typeof VideoFrame !== 'function') {
    return { why: 'this browser cannot encode video (it has no WebCodecs)' };
  }
  // WebKitGTK's encoders end the page when they are asked about a codec.
  const ua = navigator.userAgent;
  if (/AppleWebKit/.test(ua) && !/Chrome|Chromium|Android/.test(ua) && /Linux/.test(ua)) {
    return { why: 'this browser\'s video encoders do not work from a page; save the video in Chromium or Firefox' };
  }
  if (!(await AudioEncoder.isConfigSupported(soundConfig(sampleRate))).supported) {
    return { why: 'this browser cannot encode the sound as Opus' };
  }
  for (const format of formats) {
    for (const codec of format.codecs) {
      const { supported } = await VideoEncoder.isConfigSupported(videoConfig(codec, width, height, fps));
      if (supported) return { format, codec };
    }
  }
  return { why: 'this browser can encode neither H.264 nor VP9 video' };
}

// The file as the muxer writes it: pieces kept as Blobs, which the browser
// may hold outside the page's memory, and the few bytes it writes back over
// earlier ones (sizes, the index) laid over them at the end.
class FileInPieces {
  constructor() {
    this.pieces = [];
    this.size = 0;
    this.patches = [];
  }

  write({ data, position }) {
    const over = Math.min(Math.max(this.size - position, 0), data.byteLength);
    if (position > this.size) throw new Error(`the muxer wrote at byte ${position} of a file of ${this.size}`);
    if (over > 0) this.patches.push({ position, bytes: data.slice(0, over) });
    if (over < data.byteLength) {
      this.pieces.push(new Blob([data.subarray(over)]));
      this.size += data.byteLength - over;
    }
  }

  blob(type) {
    let file = new Blob(this.pieces);
    for (const { position, bytes } of this.patches) {
      file = new Blob([file.slice(0, position), bytes, file.slice(position + bytes.byteLength)]);
    }
    return new Blob([file], { type });
  }
}

// The next turn of the page's event loop, unthrottled in a background tab
// (unlike timers): clicks and progress get their turn between frames.
const turns = new MessageChannel();
function nextTurn() {
  return new Promise((resolve) => {
    turns.port1.onmessage = () => resolve();
    turns.port2.postMessage(0);
  });
}

// Waits while the encoder holds more than `most` items.
async function drained(encoder, most) {
  while (encoder.encodeQueueSize > most) {
    await new Promise((resolve) => encoder.addEventListener('dequeue', resolve, { once: true }));
  }
}

// The file's name: everything needed to make it again, natively or here.
export function videoFileName({ width, height, fps, gentle, seedTick }, container) {
  return `kelvo-mardunqist-${width}x${height}-${fps}fps${gentle ? '-gentle' : ''}-seed${seedTick}.${container}`;
}

// Saves the show as chosen ({ width, height, fps, gentle, seed: a tick count
// or null to draw one }) from `moduleBytes` (null: no music). Calls
// onProgress(framesDone, framesExpected) as it goes; stops with Cancelled
// once isCancelled() says so. Resolves with { name, blob }; nothing is kept
// when it fails.
export async function saveVideo(show, moduleBytes, choice, { onProgress, isCancelled }) {
  const { width, height, fps, gentle } = choice;
  const sampleRate = show._webMusicSampleRate();
  const plan = await videoPlan(width, height, fps, sampleRate);
  if (plan.why) throw new Error(plan.why);
  const { Output, StreamTarget, Mp4OutputFormat, WebMOutputFormat, EncodedVideoPacketSource,
    EncodedAudioPacketSource, EncodedPacket } = await import('./mediabunny.mjs');

  const player = moduleBytes ? new ModulePlayer(await loadLibopenmpt(), moduleBytes, 65536) : null;
  let failure = null;
  const fail = (error) => { failure ??= error; };
  const file = new FileInPieces();
  const output = new Output({
    format: plan.format.container === 'mp4' ? new Mp4OutputFormat({ fastStart: false }) : new WebMOutputFormat(),
    target: new StreamTarget(new WritableStream({ write: (chunk) => file.write(chunk) }),
      { chunked: true, chunkSize: 4 << 20 }),
  });
  const pictures = new EncodedVideoPacketSource(plan.format.videoCodec);
  const sound = new EncodedAudioPacketSource('opus');
  output.addVideoTrack(pictures, { frameRate: fps });
  output.addAudioTrack(sound);
  // The muxer takes packets in order, one after another.
  let muxing = Promise.resolve();
  const mux = (source, chunk, meta) => {
    const packet = EncodedPacket.fromEncodedChunk(chunk);
    muxing = muxing.then(() => source.add(packet, meta)).catch(fail);
  };
  const videoEncoder = new VideoEncoder({ output: (chunk, meta) => mux(pictures, chunk, meta), error: fail });
  const soundEncoder = new AudioEncoder({ output: (chunk, meta) => mux(sound, chunk, meta), error: fail });
  let started = false;
  try {
    videoEncoder.configure(videoConfig(plan.codec, width, height, fps));
    soundEncoder.configure(soundConfig(sampleRate));
    await output.start();
    if (player) show.captureModule = captureModule(player, sampleRate);
    const expected = show._webCaptureStart(width, height, fps, 1, choice.seed ?? -1, gentle ? 1 : 0,
      player ? 1 : 0, -1, -1);
    if (!expected) throw new Error('this browser gives no WebGL 2 context');
    started = true;
    const seedTick = show._webCaptureSeedTick();
    const frameBytes = width * height * 3 / 2;
    let frame = 0;
    while (!show._webCaptureDone()) {
      if (isCancelled()) throw new Cancelled();
      if (failure) throw failure;
      show._webCaptureStep();
      const soundFrames = show._webCaptureSoundFrames();
      if (soundFrames > 0) {
        const at = show._webCaptureSound() >> 1;
        const data = new AudioData({ format: 's16', sampleRate, numberOfChannels: 2, numberOfFrames: soundFrames,
          timestamp: show._webCaptureSoundStartUs(), data: show.HEAP16.subarray(at, at + 2 * soundFrames) });
        soundEncoder.encode(data);
        data.close();
      }
      const yuv = show._webCaptureI420();
      const picture = new VideoFrame(show.HEAPU8.subarray(yuv, yuv + frameBytes), {
        format: 'I420', codedWidth: width, codedHeight: height, colorSpace,
        timestamp: show._webCaptureFrameStartUs(), duration: show._webCaptureFrameLengthUs() });
      videoEncoder.encode(picture, { keyFrame: frame % (keyFrameSeconds * fps) === 0 });
      picture.close();
      ++frame;
      onProgress(frame, expected);
      await drained(videoEncoder, mostVideoQueued);
      await drained(soundEncoder, mostSoundQueued);
      await nextTurn();
    }
    await videoEncoder.flush();
    await soundEncoder.flush();
    await muxing;
    if (failure) throw failure;
    if (isCancelled()) throw new Cancelled();
    await output.finalize();
    return {
      name: videoFileName({ ...choice, seedTick }, plan.format.container),
      blob: file.blob(plan.format.type),
    };
  } catch (error) {
    if (output.state !== 'finalized') await output.cancel().catch(() => {});
    throw error;
  } finally {
    for (const encoder of [videoEncoder, soundEncoder]) {
      if (encoder.state !== 'closed') encoder.close();
    }
    if (started) show._webCaptureStop();
    delete show.captureModule;
    player?.destroy();
  }
}
