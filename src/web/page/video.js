// The show saved as a video from the page: stepped offline through the
// show's own stepper (web_capture.cpp), each frame converted as the native
// capture converts it (I420, BT.709, limited range), and sent with its sound
// to a worker (video-encoder.js) that encodes them (WebCodecs) and puts the
// packets into MP4 (H.264 and Opus) or, where the browser has no H.264
// encoder, WebM (VP9 and Opus); the file is then offered as a download.
//
// Nothing here waits for requestAnimationFrame: the export goes on in a
// background tab, paced by the worker's answers alone.
import { captureModule, loadLibopenmpt, ModulePlayer } from './openmpt.js';

// Frames sent to the worker that it has not yet taken: one being drawn here
// while another is encoded there.
const mostFramesUnanswered = 2;
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

// The worker's answers, in order; a failure is thrown where it is read.
class Answers {
  constructor(worker) {
    this.waiting = [];
    this.wake = null;
    worker.onmessage = ({ data }) => this.put(data);
    worker.onerror = (event) => {
      event.preventDefault();
      this.put({ failed: event.message || 'the encoding worker stopped' });
    };
  }

  put(answer) {
    this.waiting.push(answer);
    this.wake?.();
  }

  async next() {
    while (!this.waiting.length) await new Promise((resolve) => { this.wake = resolve; });
    const answer = this.waiting.shift();
    if (answer.failed) throw new Error(answer.failed);
    return answer;
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
  const player = moduleBytes ? new ModulePlayer(await loadLibopenmpt(), moduleBytes, 65536) : null;
  const worker = new Worker(new URL('./video-encoder.js', import.meta.url), { type: 'module' });
  const answers = new Answers(worker);
  let started = false;
  try {
    worker.postMessage({ start: { format: plan.format, videoConfig: videoConfig(plan.codec, width, height, fps),
      soundConfig: soundConfig(sampleRate), colorSpace, fps } });
    await answers.next();
    if (player) show.captureModule = captureModule(player, sampleRate);
    const expected = show._webCaptureStart(width, height, fps, 1, choice.seed ?? -1, gentle ? 1 : 0,
      player ? 1 : 0, -1, -1);
    if (!expected) throw new Error('this browser gives no WebGL 2 context');
    started = true;
    const seedTick = show._webCaptureSeedTick();
    const frameBytes = width * height * 3 / 2;
    let frame = 0;
    let unanswered = 0;
    while (!show._webCaptureDone()) {
      if (isCancelled()) throw new Cancelled();
      show._webCaptureStep();
      // Copies, handed over to the worker: the show's memory is reused.
      let sound = null;
      const soundFrames = show._webCaptureSoundFrames();
      if (soundFrames > 0) {
        const at = show._webCaptureSound() >> 1;
        sound = { samples: show.HEAP16.slice(at, at + 2 * soundFrames), frames: soundFrames,
          timestamp: show._webCaptureSoundStartUs() };
      }
      const yuv = show._webCaptureI420();
      const picture = { pixels: show.HEAPU8.slice(yuv, yuv + frameBytes),
        timestamp: show._webCaptureFrameStartUs(), duration: show._webCaptureFrameLengthUs(),
        keyFrame: frame % (keyFrameSeconds * fps) === 0 };
      worker.postMessage({ picture, sound },
        sound ? [picture.pixels.buffer, sound.samples.buffer] : [picture.pixels.buffer]);
      ++frame;
      onProgress(frame, expected);
      if (++unanswered > mostFramesUnanswered) {
        await answers.next();
        --unanswered;
      }
    }
    worker.postMessage({ finish: true });
    let answer;
    do answer = await answers.next(); while (!answer.saved);
    if (isCancelled()) throw new Cancelled();
    return {
      name: videoFileName({ ...choice, seedTick }, plan.format.container),
      blob: answer.saved,
    };
  } finally {
    worker.terminate();
    if (started) show._webCaptureStop();
    delete show.captureModule;
    player?.destroy();
  }
}
